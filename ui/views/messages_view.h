#pragma once
// The driver messages view: the lines the running driver posts in its message ring, newest last, each
// marked by its code, at most 200 and cut back to the newest 180. While the current channel learns
// addresses, the addresses the driver reports are merged into the poll records.
#include "document/driver_messages.h"

#include <QListWidget>
#include <QTimer>
#include <functional>

class CDidDoc;

class CMessages : public QListWidget
{
    Q_OBJECT
public:
    explicit CMessages(CDidDoc *document, QWidget *parent = nullptr,
                       DriverMessageFeed::Reader reader = nullptr);

    void OnInitialUpdate();
    // One tick of timer 101 (also called by tests).
    void Tick();
    // Called after a tick that learned addresses, so the configuration view shows them.
    void SetLearnedCallback(std::function<void()> callback) { learned_ = std::move(callback); }

    int LineCount() const { return lineCount_; }

private:
    CDidDoc *doc_;
    DriverMessageFeed feed_;
    QTimer timer_;
    QIcon images_[2];
    int lineCount_ = 0;
    std::function<void()> learned_;
};
