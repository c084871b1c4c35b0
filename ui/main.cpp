// KVZdidw: the configurator. The startup configuration comes from the registry; a file named on the
// command line (a configuration opened from the desktop) takes its place for this start only.
#include "platform/driver_identity.h"
#include "ui/app/did_app.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KVZdidw"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The %1 configurator").arg(QString::fromLatin1(kvz::kDriverIdentity.productTitle)));
    parser.addHelpOption();
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Print the version and end."));
    parser.addOption(version);
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("Configuration to open instead of the startup file (.KVZ or .CSV)"),
        QStringLiteral("[FILE]"));
    parser.process(app);
    if (parser.isSet(version)) {
        std::printf("%s\n", kvz::ProgramVersionLine("KVZdidw").c_str());
        return 0;
    }

    int result = 0;
    {
        CDidApp didApp;
        if (!parser.positionalArguments().isEmpty())
            didApp.SetStartupFile(
                QFileInfo(parser.positionalArguments().constFirst()).absoluteFilePath().toStdString());
        if (didApp.InitInstance())
            result = QApplication::exec();
        result = didApp.ExitInstance(result);
    }
    return result;
}
