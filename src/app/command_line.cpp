#include "app/command_line.h"

namespace torv {

CommandLine ParseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    const QString first = arguments.value(0);
    line.showStatusMessages = first != QStringLiteral("-s") && first != QStringLiteral("/s");
    line.gridEditEnabled = first.toLower() == QStringLiteral("-enablegridedit");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QStringLiteral("--port") && i + 1 < arguments.size())
            line.extraPorts.append(arguments[++i]);
        else if (argument == QStringLiteral("--demo"))
            line.demo = true;
        else if (argument == QStringLiteral("--local-keys"))
            line.localKeys = true;
        else if (argument == QStringLiteral("--no-journal"))
            line.journal = false;
        else if (argument == QStringLiteral("--help"))
            line.help = true;
        else if (argument == QStringLiteral("--version"))
            line.version = true;
    }
    return line;
}

QStringList OptionsForThisCopyOnly(const CommandLine& line)
{
    QStringList options;
    if (!line.showStatusMessages)
        options.append(QStringLiteral("-s"));
    if (line.gridEditEnabled)
        options.append(QStringLiteral("-enablegridedit"));
    for (const QString& port : line.extraPorts)
        options.append(QStringLiteral("--port ") + port);
    if (line.demo)
        options.append(QStringLiteral("--demo"));
    if (!line.journal)
        options.append(QStringLiteral("--no-journal"));
    return options;
}

}  // namespace torv
