// Streamed load: a second thread turns a large file into definition text a chunk of lines
// at a time while the calling thread parses each element as soon as its text is there.
#include "defs/defs.h"

#include "core/hash.h"
#include "core/parallel.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>

size_t textStreamChunk = size_t{256} << 10;

namespace {

// Set in the published length once the text is complete.
constexpr size_t finished = size_t{1} << (8 * sizeof(size_t) - 1);

// The text as the reading thread publishes it. `bytes` is allocated once and never
// moves; only bytes past the published length are ever written. Text that would not fit
// goes on in `rest`, which the parse reads only once the text is finished.
struct TextStream {
    std::unique_ptr<char[]> bytes;
    size_t capacity = 0;
    std::atomic<size_t> published{0};
    std::string rest;
};

// Publishes `state` as the stream's length and wakes the parse if it waits.
void publish(TextStream& stream, size_t state) {
    stream.published.store(state, std::memory_order_release);
#if !defined(__EMSCRIPTEN__) || defined(__EMSCRIPTEN_PTHREADS__)
    stream.published.notify_one();
#endif
}

// Waits until the published length is no longer `seen`. Without threads the reading has
// run to its end before the parse begins, so this is never reached there.
void awaitChange(TextStream& stream, size_t seen) {
#if !defined(__EMSCRIPTEN__) || defined(__EMSCRIPTEN_PTHREADS__)
    stream.published.wait(seen, std::memory_order_acquire);
#else
    static_cast<void>(stream);
    static_cast<void>(seen);
#endif
}

// Room for the text of a file of `size` bytes cut after `room`. A piece of L bytes gives
// at most L bytes of text, one more when it does not end in a newline (a cut every
// pieceLimit bytes, or the file's last line), and one blank before each brace that has
// none: a quarter more is allowed for those. A file with more such braces, or one that
// grew since it was measured, goes on in the rest.
size_t streamCapacity(size_t size, size_t room) {
    return std::min(room, size + size / pieceLimit + size / 4 + 2);
}

// Reads the file a chunk at a time, cuts what was read after its last newline (or at a
// multiple of pieceLimit when there is none, which is where a single reader cuts a long
// line too), and publishes the text of those lines, folding it into `hash`.
void produce(TextStream& stream, const std::string& path, size_t room, uint64_t& hash) {
    FileHandle file(room > 0 ? std::fopen(path.c_str(), "r") : nullptr);
    size_t written = 0;
    size_t total = 0;
    std::string raw;
    std::string text;
    bool more = file != nullptr;
    while (more && total < room) {
        const size_t kept = raw.size();
        raw.resize(kept + textStreamChunk);
        const size_t got = std::fread(raw.data() + kept, 1, textStreamChunk, file.get());
        raw.resize(kept + got);
        more = got != 0;
        std::string_view lines(raw);
        if (more) {
            const size_t newline = lines.rfind('\n');
            lines.remove_suffix(newline != std::string_view::npos ? lines.size() - newline - 1
                                                                  : lines.size() % pieceLimit);
        }
        text.clear();
        appendDefinitionText(lines, text);
        raw.erase(0, lines.size());
        const std::string_view part = std::string_view(text).substr(0, room - total);
        if (stream.rest.empty() && written + part.size() <= stream.capacity) {
            std::copy(part.begin(), part.end(), stream.bytes.get() + written);
            written += part.size();
            publish(stream, written);
        } else {
            stream.rest += part;
        }
        hash = fnv1a64(part, hash);
        total += part.size();
    }
    publish(stream, written | finished);
}

}  // namespace

size_t parseWhileReading(const std::string& path, size_t size, size_t room, uint64_t& hash,
                         const TextPartParser& parse) {
    TextStream stream;
    stream.capacity = streamCapacity(size, room);
    stream.bytes.reset(new char[stream.capacity + 1]);  // unfilled; not make_unique: the web
    size_t length = 0;
    // Without a thread of its own the reading runs first, and the parse finds it finished.
    runSideBySide([&] { produce(stream, path, room, hash); },
                  [&] {
                      std::string tail;  // views into it live until the parse is done
                      size_t from = 0;
                      size_t wanted = 1;
                      for (;;) {
                          size_t state = stream.published.load(std::memory_order_acquire);
                          while (!(state & finished) && state < wanted) {
                              awaitChange(stream, state);
                              state = stream.published.load(std::memory_order_acquire);
                          }
                          length = state & ~finished;
                          const std::string_view text(stream.bytes.get(), length);
                          if (!(state & finished)) {
                              from = parse(text, from, false);
                              // An element left unparsed is read again once the text
                              // past it has grown as long as it is, and at least by one byte.
                              wanted = length + std::max<size_t>(1, length - from);
                          } else if (stream.rest.empty()) {
                              parse(text, from, true);
                              return;
                          } else {
                              tail.assign(text.substr(from));
                              tail += stream.rest;
                              length += stream.rest.size();
                              parse(tail, 0, true);
                              return;
                          }
                      }
                  });
    return length;
}
