#include "ui/views/messages_view.h"

#include "document/did_doc.h"
#include "ui/widgets/icons.h"

#include <QApplication>

namespace
{
constexpr int kTimerPeriodMs = 300;
} // namespace

CMessages::CMessages(CDidDoc *document, QWidget *parent, DriverMessageFeed::Reader reader)
    : QListWidget(parent), doc_(document), feed_(std::move(reader))
{
    setObjectName(QStringLiteral("messages"));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setIconSize(QSize(16, 16));
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Text, QColor(0, 0, 255));
    setPalette(p);
    images_[0] = Icons::Resource(5100);
    images_[1] = Icons::Resource(5101);
    connect(&timer_, &QTimer::timeout, this, &CMessages::Tick);
}

void CMessages::OnInitialUpdate()
{
    timer_.start(kTimerPeriodMs);
}

void CMessages::Tick()
{
    // A learned address adds a record and makes it the device's current one: not while a dialog edits
    // the current record. The ring is read and listed all the same (it holds only 63 messages, and the
    // driver drops what does not fit); the addresses wait in the configurator until no dialog is open.
    const bool dialogOpen = QApplication::activeModalWidget() != nullptr;
    bool learnedAny = !dialogOpen && feed_.ApplyQueuedLearning();
    std::vector<DriverMessageLine> lines = feed_.Tick(*doc_, dialogOpen);
    if (lines.empty()) {
        if (learnedAny && learned_)
            learned_();
        return;
    }
    for (DriverMessageLine &line : lines) {
        learnedAny = learnedAny || line.learned;
        auto *item = new QListWidgetItem(images_[line.image == 1 ? 1 : 0], QString::fromStdString(line.text));
        item->setData(Qt::UserRole, line.code);
        insertItem(lineCount_, item);
        ++lineCount_;
    }
    scrollToItem(item(lineCount_ - 1));
    if (const int cut = MessageLinesToDelete(lineCount_); cut > 0) {
        setUpdatesEnabled(false);
        for (int i = 0; i < cut; ++i)
            delete takeItem(0);
        lineCount_ -= cut;
        setUpdatesEnabled(true);
    }
    if (learnedAny && learned_)
        learned_();
}
