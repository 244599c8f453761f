// The tally file's compressor: an LZ77 block coder (4096-entry hash table, 12-bit
// offsets, copies of 3..18 bytes, runs of 16..4095 equal bytes) applied to
// independent 32768-byte blocks. The layout is described in docs/tally-file.md.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

class QFile;
class QIODevice;

// Every failure of Tlzrw1; message() is the exact text shown to the user.
class ELzrw1Exception : public std::runtime_error {
public:
    explicit ELzrw1Exception(const QString& message);
    QString message() const { return QString::fromUtf8(what()); }
};

// Raised only when the engine cannot get its hash table.
class ELzrw1KHCompressor : public std::runtime_error {
public:
    explicit ELzrw1KHCompressor(const QString& message);
    QString message() const { return QString::fromUtf8(what()); }
};

enum class TCompressMode { Good, Fast, Auto };

// The block engine. Blocks are coded on their own; nothing carries over.
class TLZR {
public:
    static constexpr int kBlockSize = 32768;
    static constexpr int kBufferSize = kBlockSize + 16;  // room for the coder's overshoot
    static constexpr int kMaxBlockData = kBlockSize + 1; // a stored full block
    static constexpr int kHashSize = 4096;
    static constexpr int kSlotAhead = 1024; // hash slots worked out ahead of the coder
    static constexpr int kLanes = 2;        // full blocks CompressBlocks codes at once

    TLZR(); // throws ELzrw1KHCompressor when the hash table cannot be allocated

    // Codes source[0..n-1] (n <= kBlockSize) into destination, which must hold
    // n + 8 bytes. Never reads source past n. Returns the block data length.
    int CompressBlock(const uint8_t* source, int n, uint8_t* destination);

    // Codes kLanes full blocks that lie one after another at source; block i goes to
    // dest + i * kBufferSize and its length to lengths[i]. The same bytes as CompressBlock
    // on each block, but faster: independent blocks keep the processor busy.
    void CompressBlocks(const uint8_t* source, uint8_t* dest, int* lengths);

    // Restores block data of `length` bytes into destination (kBufferSize bytes).
    // Returns the restored length, or -1 when the data is corrupt (an item cut short,
    // a copy reaching before the block start, or more than kBlockSize bytes out);
    // it never reads or writes outside the two buffers whatever the input.
    static int DecompressBlock(const uint8_t* block, int length, uint8_t* destination);

private:
    std::unique_ptr<int16_t[]> m_hash;   // one table per lane, kHashSize entries each
    std::unique_ptr<uint16_t[]> m_slots; // kSlotAhead per lane
};

// The file component. Set InputFile and OutputFile, then call Compress or Decompress.
// Each call allocates its two block buffers and opens its files itself and releases
// them however it ends. Compress() codes a file straight from its mapped pages, 4 MiB
// at a time, so the heap still holds only the two buffers (both then receive coded
// blocks) and the engine's tables, whatever the file size. Output files are written beside the
// target and renamed over it only when complete, so a failed call leaves no partial file and never
// destroys an existing one.
class Tlzrw1 {
public:
    QString InputFile;
    QString OutputFile;
    // Only the Fast method is built: every mode writes Fast files, which carry their
    // own identifier, so files always read back.
    TCompressMode CompressMode = TCompressMode::Good;
    bool UseStream = false; // kept for the component's shape; the overloads below stream
    int Threshold = 40;
    // Flush output files to the disk before they replace the old ones. Worth it for
    // the player's tally; a command-line tool may leave that to the system.
    bool SyncOutput = true;

    // Called after each block read and after each write, e.g. to let a user
    // interface handle pending events during a long operation. Optional.
    void setBlockCallback(std::function<void()> callback) { m_callback = std::move(callback); }

    // Files: returns the size of the compressed file / the number of restored bytes.
    qint64 Compress();
    qint64 Decompress();

    // Memory to OutputFile, and InputFile to memory (no scratch files).
    qint64 Compress(const QByteArray& input);
    QByteArray Decompress(qint64* restored);

    // Streams: open devices owned by the caller. InputFile and OutputFile only name
    // them in messages. On failure the output holds partial data the caller discards.
    qint64 Compress(QIODevice& input, qint64 inputSize, QIODevice& output);
    qint64 Decompress(QIODevice& input, QIODevice& output);

private:
    struct Buffers;
    struct Sink;
    void put(Sink& sink, const uint8_t* p, qint64 n);
    void putHeader(Sink& sink, qint64 size);
    void putBlock(Sink& sink, const uint8_t* data, int n);
    void putSpan(Sink& sink, const uint8_t* data, qint64 count, bool last);
    void putStream(Sink& sink, QIODevice& in);
    void putMapped(Sink& sink, QFile& in, qint64 size);
    void notify() const {
        if (m_callback) m_callback();
    }

    TLZR m_engine;
    std::function<void()> m_callback;
};
