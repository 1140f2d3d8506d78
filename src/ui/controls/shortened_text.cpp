#include "ui/controls/shortened_text.h"

#include <QStringList>

namespace torv {

QString ShortenedText(const QString& text, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const QString ellipsis = QStringLiteral("…");
    if (text.startsWith(u'/')) {
        const qsizetype firstFolderEnd = text.indexOf(u'/', 1);
        const qsizetype nameStart = text.lastIndexOf(u'/');
        QStringList shorter;
        if (firstFolderEnd > 0 && firstFolderEnd < nameStart)
            shorter << text.left(firstFolderEnd + 1) + ellipsis + text.mid(nameStart);
        if (nameStart > 0)
            shorter << ellipsis + text.mid(nameStart);
        for (const QString& candidate : shorter)
            if (metrics.horizontalAdvance(candidate) <= width)
                return candidate;
    }
    return metrics.elidedText(text, Qt::ElideMiddle, width);
}

}  // namespace torv
