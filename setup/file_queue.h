#pragma once
// A queue of file copies, committed in the order queued. Each copy carries the copy-style flags of
// the section it came from: no-overwrite asks the callback before an existing target is replaced,
// force-newer copies only over an older target and asks nobody.
#include <cstdint>
#include <string>
#include <vector>

namespace kvz::setup
{

constexpr uint32_t kCopyNoOverwrite = 0x0008;
constexpr uint32_t kCopyForceNewer = 0x2000;

struct QueuedCopy {
    std::string source;
    std::string target;
    uint32_t flags = 0;
};

enum class CopyDecision { Copy, Skip };

class IQueueCallback
{
public:
    virtual ~IQueueCallback() = default;
    // The target of a no-overwrite copy exists: replace it or keep it.
    virtual CopyDecision OnTargetExists(const QueuedCopy &copy) = 0;
    // A copy failed with an errno-style code; the commit goes on and reports failure at its end.
    virtual void OnCopyError(const QueuedCopy &copy, int error) = 0;
};

// What happens when nobody decides otherwise: existing targets are replaced, errors only counted.
class DefaultQueueCallback : public IQueueCallback
{
public:
    CopyDecision OnTargetExists(const QueuedCopy &) override { return CopyDecision::Copy; }
    void OnCopyError(const QueuedCopy &, int) override {}
};

struct CommitResult {
    bool ok = true;
    int error = 0; // the first failure's code
    int copied = 0;
    int skipped = 0;
};

class FileQueue
{
public:
    void Add(QueuedCopy copy) { items_.push_back(std::move(copy)); }
    const std::vector<QueuedCopy> &Items() const { return items_; }
    // Every copy is tried even after one failed, so that as much as possible gets installed.
    CommitResult Commit(IQueueCallback &callback) const;

private:
    std::vector<QueuedCopy> items_;
};

} // namespace kvz::setup
