// KVZdidw: the configurator. Its command line is not read: no file name or switch given there has any
// effect. The startup configuration comes from the registry; the desktop's launcher (kvzdidw-open)
// names a file to open instead through KVZDIDW_OPEN_FILE, for that start only.
#include "ui/app/did_app.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KVZdidw"));
    int result = 0;
    {
        CDidApp didApp;
        const QString opened = qEnvironmentVariable("KVZDIDW_OPEN_FILE");
        if (!opened.isEmpty())
            didApp.SetStartupFile(QFileInfo(opened).absoluteFilePath().toStdString());
        if (didApp.InitInstance())
            result = QApplication::exec();
        result = didApp.ExitInstance(result);
    }
    return result;
}
