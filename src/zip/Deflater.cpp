#include "zip/Deflater.h"

#include <limits>
#include <memory>
#include <mutex>
#include <vector>

namespace dokrava {

namespace {

// The compressors set up and free now: as many as were ever in use at once. They are shared
// rather than kept one per thread: with MinGW's runtime, thread-local objects with destructors
// can leave a Windows process hanging at its end (see SetUpProcess).
struct IdleDeflaters
{
    std::mutex mutex;
    std::vector<std::unique_ptr<Deflater>> idle;
};

IdleDeflaters &idleDeflaters()
{
    static IdleDeflaters deflaters;
    return deflaters;
}

} // namespace

bool Deflater::compressReusing(const char *data, qsizetype size, Ending ending, QByteArray &out)
{
    IdleDeflaters &shared = idleDeflaters();
    std::unique_ptr<Deflater> deflater;
    {
        const std::lock_guard<std::mutex> lock(shared.mutex);
        if (!shared.idle.empty()) {
            deflater = std::move(shared.idle.back());
            shared.idle.pop_back();
        }
    }
    if (!deflater)
        deflater = std::make_unique<Deflater>();
    const bool ok = deflater->compress(data, size, ending, out);
    const std::lock_guard<std::mutex> lock(shared.mutex);
    shared.idle.push_back(std::move(deflater));
    return ok;
}

Deflater::Deflater()
{
    m_ok = deflateInit2(&m_zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
}

Deflater::~Deflater()
{
    if (m_ok)
        deflateEnd(&m_zs);
}

bool Deflater::compress(const char *data, qsizetype size, Ending ending, QByteArray &out)
{
    if (!m_ok || size > qsizetype(std::numeric_limits<uInt>::max()) || deflateReset(&m_zs) != Z_OK)
        return false;
    const int flush = ending == Final ? Z_FINISH : Z_SYNC_FLUSH;
    m_zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
    m_zs.avail_in = uInt(size);
    const qsizetype start = out.size();
    // The bound holds for a finished stream; a flush may add a few bytes more, so the loop
    // grows the buffer until zlib leaves room unused, its sign that the output is complete.
    qsizetype room = qsizetype(deflateBound(&m_zs, uLong(size))) + 16;
    for (;;) {
        const qsizetype written = out.size();
        out.resize(written + room);
        m_zs.next_out = reinterpret_cast<Bytef *>(out.data() + written);
        m_zs.avail_out = uInt(room);
        const int ret = deflate(&m_zs, flush);
        out.truncate(out.size() - qsizetype(m_zs.avail_out));
        // A flush asked again once complete makes no progress: the output was already whole.
        if (ret == Z_STREAM_END || (ending == Flushed && (ret == Z_BUF_ERROR || (ret == Z_OK && m_zs.avail_out > 0))))
            return true;
        if (ret != Z_OK) {
            out.truncate(start);
            return false;
        }
        room = 4096;
    }
}

} // namespace dokrava
