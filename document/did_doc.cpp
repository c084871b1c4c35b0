#include "document/did_doc.h"

#include "document/app_settings.h"
#include "document/doc_strings.h"
#include "model/channel.h"
#include "model/device.h"
#include "platform/ui_services.h"

#include <algorithm>

namespace
{
constexpr size_t kSelectableChannels = 16;
} // namespace

CDidDoc::CDidDoc()
{
    PublishChannelList(&m_ChannelList);
    SetPollRecordPresenceListener([this] { NotifyChanged(); });
}

CDidDoc::~CDidDoc()
{
    m_changeListener = nullptr;
    DeleteContents();
    if (GetChannelList() == &m_ChannelList) {
        PublishChannelList(nullptr);
        SetPollRecordPresenceListener(nullptr);
    }
}

void CDidDoc::SetModifiedFlag(bool modified)
{
    m_bModified = modified;
    NotifyChanged();
}

void CDidDoc::NotifyChanged()
{
    if (m_changeListener)
        m_changeListener();
}

void CDidDoc::UpdateAllViews(int hint)
{
    kvz::Ui().UpdateAllViews(hint);
    NotifyChanged();
}

void CDidDoc::SetCurrentChannel(CChannel *channel)
{
    size_t n = std::min(m_ChannelList.size(), kSelectableChannels);
    for (size_t i = 0; i < n; ++i) {
        if (m_ChannelList[i].get() == channel) {
            channel->SetChannelNumberValue(static_cast<uint16_t>(i));
            break;
        }
    }
    m_pCurrentChannel = channel;
    SetCurrentChannelOfTree(channel);
    NotifyChanged();
}

void CDidDoc::DeleteContents()
{
    // A device goes with its poll records (and takes them out of the poll record count), so the tree is
    // emptied in time proportional to its size.
    for (auto &channel : m_ChannelList) {
        channel->SetCurrentDevice(nullptr);
        while (channel->DeviceCount() > 0)
            channel->RemoveDevice(channel->Devices().back().get());
    }
    m_ChannelList.clear();
    m_pCurrentChannel = nullptr;
    SetCurrentChannelOfTree(nullptr);
    NotifyChanged();
}

int CDidDoc::OnOpenDocument(const std::string &path)
{
    DeleteContents();
    ReadConfigFile(path);
    return 1;
}

void CDidDoc::Serialize(bool storing)
{
    if (storing)
        OnFileSave();
}

void CDidDoc::AddToRecentFileList(const std::string &path)
{
    std::erase(m_recentFiles, path);
    m_recentFiles.insert(m_recentFiles.begin(), path);
    if (m_recentFiles.size() > kRecentFileCount)
        m_recentFiles.resize(kRecentFileCount);
}

std::string CDidDoc::FileDialogFilter()
{
    std::string filter = LoadDocString(IDS_FILE_FILTER);
    std::string_view acronym = kDocAcronym;
    for (int run = 0; run < 2; ++run) {
        size_t at = filter.find('#');
        if (at == std::string::npos)
            break;
        filter.replace(at, std::min<size_t>(3, filter.size() - at), acronym.substr(0, 3));
    }
    return filter;
}

void CDidDoc::MakeUntitled()
{
    m_strPathName.clear();
    m_strTitle = doctext::kUntitled;
}

bool HasPollRecords()
{
    return GetPollRecordCount() != 0;
}
