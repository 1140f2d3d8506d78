#pragma once
// A text made to fit a width by leaving out its middle, so that both ends stay readable.

#include <QFontMetrics>
#include <QString>

namespace torv {

// The text itself when it fits. A path keeps its first folder and its file name
// ("/home/…/adapter0"), else its file name ("…/adapter0"); anything else, or a name too
// long even so, loses characters from its middle.
QString ShortenedText(const QString& text, const QFontMetrics& metrics, int width);

}  // namespace torv
