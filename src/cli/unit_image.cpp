#include "cli/unit_image.h"

#include <algorithm>
#include <array>
#include <cctype>

#include <QByteArray>
#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/cli_text.h"
#include "cli/results.h"
#include "torv_version.h"

namespace torv::cli {
namespace {

QString Sha256(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex());
}

// Exactly out.size() bytes as hex digits, else false.
template <std::size_t N>
bool FromHex(const QString& text, std::array<std::uint8_t, N>& out)
{
    const QByteArray latin = text.toLatin1();
    if (static_cast<std::size_t>(latin.size()) != 2 * N ||
        !std::all_of(latin.begin(), latin.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
        return false;
    const QByteArray bytes = QByteArray::fromHex(latin);
    std::copy(bytes.begin(), bytes.end(), out.begin());
    return true;
}

std::string Damaged(const QString& why)
{
    return Utf8(CliText::tr("the image is damaged: %1").arg(why));
}

}  // namespace

std::string UnitImageText(const UnitImage& image)
{
    const TransmitterState shown = DescribeTransmitter(image.info, image.block);
    QJsonObject info{{"hex", ToQString(HexText(image.info))},
                     {"date", ToQString(shown.date)},
                     {"serial", ToQString(shown.serial)},
                     {"version", ToQString(shown.version)},
                     {"deviceType", shown.deviceType}};
    QJsonObject parameters = TransmitterJson(shown);
    for (const char* identity : {"date", "serial", "version", "deviceType"})
        parameters.remove(identity);
    const QString blockHex = ToQString(HexText(image.block));
    parameters.insert("hex", blockHex);
    const QJsonObject file{{"format", kUnitImageFormat},      {"program", "torvctl " TORV_VERSION},
                           {"saved", ToQString(image.saved)}, {"info", info},
                           {"parameters", parameters},        {"sha256", Sha256(blockHex)}};
    return QJsonDocument(file).toJson(QJsonDocument::Indented).toStdString();
}

std::variant<UnitImage, std::string> ParseUnitImage(const std::string& text)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        const QString why = error.error != QJsonParseError::NoError ? error.errorString() : CliText::tr("other JSON");
        return Utf8(CliText::tr("not a unit image: it is not a JSON object (%1)").arg(why));
    }
    const QJsonObject file = document.object();
    const QJsonValue format = file.value("format");
    if (!format.isDouble() || format.toDouble() != static_cast<double>(format.toInt()) || format.toInt() < 1)
        return Utf8(CliText::tr("not a unit image: it has no \"format\" number"));
    if (format.toInt() > kUnitImageFormat)
        return Utf8(CliText::tr("the image was saved by a newer version of the programmer (format %1; this version "
                                "reads format %2)")
                        .arg(format.toInt())
                        .arg(kUnitImageFormat));
    UnitImage image;
    const QString blockHex = file.value("parameters").toObject().value("hex").toString();
    if (!FromHex(blockHex, image.block))
        return Damaged(CliText::tr("its parameter block is not 32 bytes of hex digits"));
    if (file.value("sha256").toString().toLower() != Sha256(blockHex))
        return Damaged(CliText::tr("the SHA-256 of its parameter block does not match"));
    if (!FromHex(file.value("info").toObject().value("hex").toString(), image.info))
        return Damaged(CliText::tr("its info block is not 8 bytes of hex digits"));
    image.saved = file.value("saved").toString().toStdString();
    return image;
}

}  // namespace torv::cli
