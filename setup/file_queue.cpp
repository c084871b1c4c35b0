#include "setup/file_queue.h"

#include "platform/paths.h"
#include "setup/file_copy.h"

#include <cerrno>

namespace kvz::setup
{
namespace
{

// Whether an existing target is replaced.
bool ShouldReplace(const QueuedCopy &copy, IQueueCallback &callback)
{
    if (copy.flags & kCopyForceNewer) {
        auto source = LastWriteTime(copy.source);
        auto target = LastWriteTime(copy.target);
        if (source && target && !IsLater(*source, *target))
            return false;
    }
    if (copy.flags & kCopyNoOverwrite)
        return callback.OnTargetExists(copy) == CopyDecision::Copy;
    return true;
}

} // namespace

CommitResult FileQueue::Commit(IQueueCallback &callback) const
{
    CommitResult result;
    for (const QueuedCopy &copy : items_) {
        if (PathExists(copy.target) && !ShouldReplace(copy, callback)) {
            ++result.skipped;
            continue;
        }
        int rc = CopyFileKeepingTime(copy.source, copy.target);
        if (rc == 0) {
            ++result.copied;
            continue;
        }
        callback.OnCopyError(copy, rc);
        if (result.ok) {
            result.ok = false;
            result.error = rc;
        }
    }
    return result;
}

} // namespace kvz::setup
