// torv-programmer: the transmitter frequency programmer's window.
#include <QApplication>
#include <QRegularExpression>
#include <QScreen>

#include <memory>

#include "emulator/adapter_emulator.h"
#include "ui/main_form.h"
#include "ui/ui_style.h"
#include "ui/ui_texts.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    application.setApplicationDisplayName(QString::fromUtf8(torv::ui_texts::kApplicationTitle));
    torv::ApplyProgrammerStyle(application);

    torv::MainFormOptions options;
    QStringList arguments = application.arguments();
    arguments.removeFirst();
    options.arguments = arguments;
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i)
        if (arguments[i] == QStringLiteral("--port"))
            options.extraPorts.append(arguments[i + 1]);

    std::unique_ptr<torv::AdapterEmulator> demo;
    if (arguments.contains(QStringLiteral("--demo"))) {
        demo = std::make_unique<torv::AdapterEmulator>(torv::MakeContents(), torv::AdapterEmulator::kLineBytePeriod);
        demo->Start();
        // Shown as a port name relative to /dev, like the system's ports.
        options.extraPorts.prepend(QString::fromStdString(demo->SlavePath()).remove(QRegularExpression("^/dev/")));
    }

    torv::TMainForm window(options);
    if (!window.Created())
        return 0;
    const QString first = arguments.isEmpty() ? QString() : arguments.front();
    window.SetShowStatusMessages(first != QStringLiteral("-s") && first != QStringLiteral("/s"));
    if (const QScreen* screen = application.primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    return application.exec();
}
