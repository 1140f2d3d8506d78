#include "station/run_report.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>

#include "station/station_texts.h"

namespace torv::station {
namespace {

const QString kTimeFormat = QStringLiteral("dd.MM.yyyy HH:mm:ss");

QString Quoted(QString text)
{
    return QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString CountersText(const Counters& counters)
{
    return QStringLiteral("Запрограммировано: %1    Не записано: %2    Пропущено: %3    Попыток: %4    В час: %5")
        .arg(counters.programmed)
        .arg(counters.failed)
        .arg(counters.skipped)
        .arg(counters.attempts)
        .arg(qRound(counters.unitsPerHour));
}

QStringList HeaderLines(const RunSummary& summary)
{
    return {QStringLiteral("Заказ: %1    Оператор: %2").arg(summary.orderCode, summary.operatorName),
            QStringLiteral("План: %1").arg(summary.planPath),
            QStringLiteral("Партия: %1    Отчёт составлен: %2").arg(summary.runId, summary.made.toString(kTimeFormat)),
            CountersText(summary.counters)};
}

// The unit list's columns: their headings and each unit's texts.
const QStringList kColumns = {QStringLiteral("Номер"), QStringLiteral("Станция"), QStringLiteral("Итог"),
                              QStringLiteral("Время"), QStringLiteral("Частоты"), QStringLiteral("Попыток")};

QStringList Cells(const UnitLine& unit)
{
    return {unit.serial,
            unit.station,
            OutcomeText(unit.outcome),
            unit.time.toString(kTimeFormat),
            unit.frequencies.isEmpty() ? QStringLiteral("—") : FrequenciesText(unit.frequencies.toStdString()),
            QString::number(unit.attempts)};
}

}  // namespace

QString WriteReportCsv(const RunSummary& summary, const QString& path)
{
    QString text = QStringLiteral("serial,station,result,result_text,time,frequencies_mhz,attempts\n");
    for (const UnitLine& unit : summary.units) {
        const QStringList fields = {unit.serial, Quoted(unit.station),
                                    QString::fromLatin1(StationOutcomeName(unit.outcome)),
                                    Quoted(OutcomeText(unit.outcome)),
                                    // Local time with its offset, so that it is never read as UTC.
                                    unit.time.toOffsetFromUtc(unit.time.offsetFromUtc()).toString(Qt::ISODate),
                                    Quoted(unit.frequencies), QString::number(unit.attempts)};
        text += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        return file.errorString();
    return {};
}

QString WriteReportPdf(const RunSummary& summary, const QString& path)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageOrientation(QPageLayout::Landscape);  // the unit list's six columns fit whole
    writer.setResolution(150);
    writer.setTitle(texts::kWindowTitle);
    QPainter painter;
    if (!painter.begin(&writer))
        return QStringLiteral("не удалось создать файл %1").arg(path);
    const QRect page = writer.pageLayout().paintRectPixels(writer.resolution());
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(9);
    painter.setFont(font);
    const int line = painter.fontMetrics().height() + 4;
    // The columns' shares of the page's width.
    const double shares[] = {0.09, 0.14, 0.33, 0.16, 0.20, 0.08};
    int y = page.top();
    const auto row = [&](const QStringList& cells) {
        int x = page.left();
        for (int i = 0; i < cells.size(); ++i) {
            const int width = static_cast<int>(page.width() * shares[i]);
            painter.drawText(QRect(x, y, width - 8, line), Qt::AlignLeft | Qt::AlignVCenter,
                             painter.fontMetrics().elidedText(cells[i], Qt::ElideRight, width - 8));
            x += width;
        }
        y += line;
    };
    QFont title = font;
    title.setPointSize(14);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(QRect(page.left(), y, page.width(), 2 * line), Qt::AlignLeft, texts::kWindowTitle);
    y += 2 * line;
    painter.setFont(font);
    for (const QString& text : HeaderLines(summary)) {
        painter.drawText(QRect(page.left(), y, page.width(), line), Qt::AlignLeft, text);
        y += line;
    }
    y += line;
    QFont bold = font;
    bold.setBold(true);
    painter.setFont(bold);
    row(kColumns);
    painter.setFont(font);
    for (const UnitLine& unit : summary.units) {
        if (y + line > page.bottom()) {
            writer.newPage();
            y = page.top();
        }
        row(Cells(unit));
    }
    if (!painter.end())
        return QStringLiteral("не удалось записать файл %1").arg(path);
    return {};
}

ReportDialog::ReportDialog(RunSummary summary, QWidget* parent) : QDialog(parent), summary_(std::move(summary))
{
    setWindowTitle(QStringLiteral("Отчёт о партии"));
    auto* layout = new QVBoxLayout(this);
    for (const QString& text : HeaderLines(summary_)) {
        auto* label = new QLabel(text, this);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(label);
    }
    auto* table = new QTableWidget(static_cast<int>(summary_.units.size()), static_cast<int>(kColumns.size()), this);
    table->setHorizontalHeaderLabels(kColumns);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    for (std::size_t i = 0; i < summary_.units.size(); ++i) {
        const QStringList cells = Cells(summary_.units[i]);
        for (int column = 0; column < cells.size(); ++column)
            table->setItem(static_cast<int>(i), column, new QTableWidgetItem(cells[column]));
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    QPushButton* csv = buttons->addButton(QStringLiteral("Сохранить CSV…"), QDialogButtonBox::ActionRole);
    QPushButton* pdf = buttons->addButton(QStringLiteral("Сохранить PDF…"), QDialogButtonBox::ActionRole);
    connect(csv, &QPushButton::clicked, this, [this] { Save(false); });
    connect(pdf, &QPushButton::clicked, this, [this] { Save(true); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(900, 520);
}

void ReportDialog::Save(bool pdf)
{
    const QString suggested = QStringLiteral("отчёт-%1.%2").arg(summary_.orderCode, pdf ? "pdf" : "csv");
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить отчёт"), suggested,
                                     pdf ? QStringLiteral("PDF (*.pdf)") : QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty())
        return;
    const QString error = pdf ? WriteReportPdf(summary_, path) : WriteReportCsv(summary_, path);
    if (!error.isEmpty())
        QMessageBox::warning(this, QStringLiteral("Ошибка"), QStringLiteral("Отчёт не сохранён: %1").arg(error));
}

}  // namespace torv::station
