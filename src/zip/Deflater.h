#pragma once

#include <QByteArray>

#include <zlib.h>

namespace dokrava {

// A raw deflate compressor at zlib's default level, set up once and reset between uses: setting
// one up allocates about 256 KiB, which for a small document costs more than compressing its text.
class Deflater
{
public:
    // How a compressed stream ends.
    enum Ending {
        Final,   // the stream is complete
        Flushed, // more blocks may follow: the stream ends on a byte boundary, not final
    };

    // compress() with a compressor set up before and free now (a new one when every one is in
    // use), kept for the next call afterwards; any thread may call it.
    static bool compressReusing(const char *data, qsizetype size, Ending ending, QByteArray &out);

    Deflater();
    ~Deflater();
    Deflater(const Deflater &) = delete;
    Deflater &operator=(const Deflater &) = delete;

    // Appends to out the compressed form of size bytes at data, referring to nothing before
    // them; false when the compressor failed.
    bool compress(const char *data, qsizetype size, Ending ending, QByteArray &out);

private:
    z_stream m_zs{};
    bool m_ok = false;
};

} // namespace dokrava
