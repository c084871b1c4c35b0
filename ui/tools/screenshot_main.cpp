// kvzdidw-screenshot CONFIG OUT.png: renders the configurator's window on a configuration file (no
// driver needed, offscreen works) and writes it as a picture, for the documentation and the demo.
#include "document/did_doc.h"
#include "ui/app/qt_ui_services.h"
#include "ui/frame/main_frame.h"

#include <QApplication>
#include <QPixmap>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: kvzdidw-screenshot CONFIG OUT.png\n");
        return 2;
    }
    QtUiServices ui;
    CDidDoc doc;
    doc.OnOpenDocument(argv[1]);
    CMainFrame::DriverSources offline;
    offline.statistics.channelCount = [] { return int16_t(0); };
    offline.statistics.mapChannel = [](int16_t) -> const uint8_t * { return nullptr; };
    offline.messages = [](std::string &, uint16_t &, int) { return false; };
    CMainFrame frame(&doc, std::move(offline));
    frame.InitialUpdate();
    frame.show();
    frame.Tick();
    QApplication::processEvents();
    if (!frame.grab().save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "kvzdidw-screenshot: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
