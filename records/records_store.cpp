// The records files and the replay library on disk: bounded reading, a lock file around
// every read-modify-write, unreadable files moved aside, replays kept under unique names
// and pruned after every new run.
#include "records/records.h"

#include "core/file_write.h"
#include "replay/replay_file.h"

#include <cerrno>
#include <cstdio>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Holds an exclusive lock on a lock file while it lives (blocking until it is free).
class FolderLock {
public:
    // Locks `path`, creating it; `problem()` says why when it could not.
    explicit FolderLock(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            problem_ = errorText(errno);
            return;
        }
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        while (::fcntl(fd_, F_SETLKW, &lock) != 0) {
            if (errno == EINTR) continue;
            // A file system without locks: go on unlocked rather than keep nothing.
            break;
        }
    }
    ~FolderLock() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    // "" or why the lock file could not be opened.
    const std::string& problem() const { return problem_; }

private:
    int fd_ = -1;
    std::string problem_;
};

// Reads a whole file of at most maxRecordsFileBytes (a larger one is read no further
// than that and said to be too big). False with `why` when it cannot be read; `missing`
// when it does not exist.
bool readBounded(const std::string& path, std::string& text, bool& missing, std::string& why) {
    missing = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        missing = errno == ENOENT;
        why = "cannot open: " + errorText(errno);
        return false;
    }
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (!ok) why = "not a regular file";
    if (ok && static_cast<uint64_t>(info.st_size) > maxRecordsFileBytes) {
        why = "too big: " + std::to_string(info.st_size) + " bytes";
        ok = false;
    }
    text.clear();
    if (ok) text.resize(static_cast<size_t>(info.st_size));
    size_t got = 0;
    while (ok && got < text.size()) {
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = "cannot read: " + errorText(errno);
            ok = false;
        }
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    text.resize(ok ? got : 0);
    ::close(fd);
    return ok;
}

// True when something is at `path`.
bool exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// The first free name `base`, `base`-2, `base`-3 ... in the folder of `base`.
std::string freeName(const std::string& base) {
    std::string name = base;
    for (int n = 2; exists(name) && n < 100000; ++n) name = base + "-" + std::to_string(n);
    return name;
}

// The locked, loaded records file of a level set: the records, or a fresh file after the
// one found was moved aside.
struct OpenRecords {
    std::string path;
    RecordsFile records;
    RecordsOutcome outcome;
    bool ok = false;                // false: outcome.problem says why nothing can be done
};

// Loads the records of `levelSet` for a change (the caller holds the lock). With
// `moveAside`, a file that cannot be used is renamed with the reason and `date` and a
// fresh one begins; without, that is a problem.
OpenRecords loadForChange(const RecordsPlace& place, std::span<const ReplayDefinition> levelSet,
                          bool moveAside, const std::string& date) {
    OpenRecords open;
    open.path = place.recordsFolder() + "/" + recordsFileName(levelSet);
    open.records.levelSet.assign(levelSet.begin(), levelSet.end());
    std::string text, why;
    bool missing = false;
    bool usable = readBounded(open.path, text, missing, why);
    if (!usable && missing) {
        open.ok = true;
        return open;
    }
    RecordsFile found;
    if (usable) usable = decodeRecords(text, found, open.outcome.skipped, why);
    if (usable && !sameLevelSet(found.levelSet, levelSet)) {
        usable = false;
        why = "other level set";
    }
    if (usable) {
        found.levelSet.assign(levelSet.begin(), levelSet.end());
        open.records = std::move(found);
        open.ok = true;
        return open;
    }
    // Only a file whose content cannot be used is moved aside, not one the game may not read.
    const bool content = !usable && !why.starts_with("cannot ");
    if (!moveAside || !content) {
        open.outcome.problem = open.path + ": " + why;
        return open;
    }
    const std::string aside = freeName(open.path + "." + reasonWord(why) + "-" + compactDate(date));
    if (std::rename(open.path.c_str(), aside.c_str()) != 0) {
        open.outcome.problem = "cannot move aside " + open.path + ": " + errorText(errno);
        return open;
    }
    open.outcome.movedAside = aside;
    open.ok = true;
    return open;
}

// Writes the records back; "" or why not.
std::string saveRecords(const OpenRecords& open) {
    return replaceFileContents(open.path, encodeRecords(open.records), 0644);
}

// Runs `change` on the locked records of a level set and writes them back.
template <class Change>
RecordsOutcome changeRecords(const RecordsPlace& place,
                             std::span<const ReplayDefinition> levelSet, Change change) {
    if (place.folder.empty()) return {"no folder to keep records in", "", 0, ""};
    const std::string lockPath = place.recordsFolder() + "/" + recordsFileName(levelSet) + ".lock";
    if (std::string why = createFoldersFor(lockPath); !why.empty()) return {why, "", 0, ""};
    FolderLock lock(lockPath);
    if (!lock.problem().empty()) return {lock.problem(), "", 0, ""};
    OpenRecords open = loadForChange(place, levelSet, false, "");
    if (!open.ok) return open.outcome;
    if (!change(open.records)) {
        open.outcome.problem = "no kept replay of that name";
        return open.outcome;
    }
    open.outcome.problem = saveRecords(open);
    return open.outcome;
}

}  // namespace

std::string replayPath(const RecordsPlace& place, const std::string& replayName) {
    return place.replayFolder() + "/" + replayName;
}

RecordsFile readRecords(const RecordsPlace& place, std::span<const ReplayDefinition> levelSet,
                        std::string& why) {
    RecordsFile records;
    records.levelSet.assign(levelSet.begin(), levelSet.end());
    if (place.folder.empty()) return records;
    const std::string path = place.recordsFolder() + "/" + recordsFileName(levelSet);
    std::string text;
    bool missing = false;
    size_t skipped = 0;
    if (!readBounded(path, text, missing, why)) {
        if (missing) why.clear();
        return records;
    }
    RecordsFile found;
    if (!decodeRecords(text, found, skipped, why)) return records;
    if (!sameLevelSet(found.levelSet, levelSet)) {
        why = "other level set";
        return records;
    }
    return found;
}

RecordsOutcome appendRun(const RecordsPlace& place, std::span<const ReplayDefinition> levelSet,
                         RunRecord run, const Replay* replay) {
    if (place.folder.empty()) return {"no folder to keep records in", "", 0, ""};
    const std::string lockPath = place.recordsFolder() + "/" + recordsFileName(levelSet) + ".lock";
    std::string why = createFoldersFor(lockPath);
    if (why.empty() && replay != nullptr) why = createFoldersFor(replayPath(place, "x"));
    if (!why.empty()) return {why, "", 0, ""};
    FolderLock lock(lockPath);
    if (!lock.problem().empty()) return {lock.problem(), "", 0, ""};
    OpenRecords open = loadForChange(place, levelSet, true, run.date);
    if (!open.ok) return open.outcome;

    std::string written;
    run.replay.clear();
    if (replay != nullptr) {
        const std::string base = replayPath(place, "run-" + compactDate(run.date));
        std::string path = base + ".qfr";
        for (int n = 2; exists(path) && n < 100000; ++n) path = base + "-" + std::to_string(n) + ".qfr";
        if (writeReplayFile(path, *replay, why)) {
            written = path;
            run.replay = path.substr(place.replayFolder().size() + 1);
        } else {
            open.outcome.problem = "replay not kept: " + why;
        }
    }
    open.records.runs.push_back(std::move(run));
    const std::vector<std::string> dropped = pruneReplays(open.records);
    foldOldRuns(open.records);
    if (std::string saved = saveRecords(open); !saved.empty()) {
        if (!written.empty()) std::remove(written.c_str());
        open.outcome.problem = saved;
        return open.outcome;
    }
    open.outcome.replay = open.records.runs.back().replay;
    for (const std::string& name : dropped) std::remove(replayPath(place, name).c_str());
    return open.outcome;
}

RecordsOutcome setPinned(const RecordsPlace& place, std::span<const ReplayDefinition> levelSet,
                         const std::string& replayName, bool pinned) {
    return changeRecords(place, levelSet, [&](RecordsFile& records) {
        for (RunRecord& run : records.runs) {
            if (replayName.empty() || run.replay != replayName) continue;
            run.pinned = pinned;
            return true;
        }
        return false;
    });
}

RecordsOutcome deleteReplay(const RecordsPlace& place,
                            std::span<const ReplayDefinition> levelSet,
                            const std::string& replayName) {
    RecordsOutcome outcome = changeRecords(place, levelSet, [&](RecordsFile& records) {
        for (RunRecord& run : records.runs) {
            if (replayName.empty() || run.replay != replayName) continue;
            run.replay.clear();
            run.pinned = false;
            return true;
        }
        return false;
    });
    if (outcome.problem.empty()) std::remove(replayPath(place, replayName).c_str());
    return outcome;
}
