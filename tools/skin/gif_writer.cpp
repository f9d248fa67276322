#include "gif_writer.h"

#include <unordered_map>

namespace veltra::skin {
namespace {

void PutWord(QByteArray& out, int value) {
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
}

// Codes go out least significant bit first, packed into sub-blocks of at most 255 bytes.
class CodeWriter {
  public:
    void Put(int code, int width) {
        bits_ |= static_cast<std::uint32_t>(code) << count_;
        count_ += width;
        while (count_ >= 8) {
            bytes_.append(static_cast<char>(bits_ & 0xFF));
            bits_ >>= 8;
            count_ -= 8;
        }
    }
    void Finish(QByteArray& out) {
        if (count_ > 0) {
            bytes_.append(static_cast<char>(bits_ & 0xFF));
        }
        for (qsizetype at = 0; at < bytes_.size(); at += 255) {
            const QByteArray block = bytes_.mid(at, 255);
            out.append(static_cast<char>(block.size()));
            out.append(block);
        }
        out.append('\0');
    }

  private:
    std::uint32_t bits_ = 0;
    int count_ = 0;
    QByteArray bytes_;
};

// LZW with 8-bit symbols. The decoder adds each table entry one code later than the encoder, so
// the code width grows right after the entry numbered 1 << width is made, and a full table is
// answered by a clear code instead of a new entry.
void EncodeLzw(const std::vector<std::uint8_t>& data, QByteArray& out) {
    constexpr int kClear = 256;
    constexpr int kEnd = 257;
    constexpr int kFirstFree = 258;
    constexpr int kMaxCodes = 4096;
    out.append('\x08');
    CodeWriter writer;
    std::unordered_map<std::uint32_t, int> table;
    int width = 9;
    int next = kFirstFree;
    writer.Put(kClear, width);
    int prefix = data.empty() ? -1 : data[0];
    for (std::size_t i = 1; i < data.size(); ++i) {
        const std::uint32_t key = (static_cast<std::uint32_t>(prefix) << 8) | data[i];
        const auto found = table.find(key);
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        writer.Put(prefix, width);
        if (next < kMaxCodes) {
            table.emplace(key, next);
            if (next == (1 << width)) {
                ++width;
            }
            ++next;
        } else {
            writer.Put(kClear, width);
            table.clear();
            width = 9;
            next = kFirstFree;
        }
        prefix = data[i];
    }
    if (prefix >= 0) {
        writer.Put(prefix, width);
    }
    writer.Put(kEnd, width);
    writer.Finish(out);
}

}  // namespace

QByteArray EncodeGif(QSize size, const std::array<QRgb, 256>& palette,
                     const std::vector<GifFrame>& frames) {
    const int width = size.width();
    const int height = size.height();
    if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) {
        return {};
    }
    for (const GifFrame& frame : frames) {
        if (frame.indices.size() != static_cast<std::size_t>(width) * height) {
            return {};
        }
    }
    QByteArray out("GIF89a");
    PutWord(out, width);
    PutWord(out, height);
    out.append('\xF7');  // global palette of 2^(7+1) colours, 8 bits per primary
    out.append('\0');    // background index
    out.append('\0');    // square pixels
    for (QRgb colour : palette) {
        out.append(static_cast<char>(qRed(colour)));
        out.append(static_cast<char>(qGreen(colour)));
        out.append(static_cast<char>(qBlue(colour)));
    }
    // Loop count 0: for ever.
    out.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01", 16);
    PutWord(out, 0);
    out.append('\0');
    for (const GifFrame& frame : frames) {
        out.append("\x21\xF9\x04\x04", 4);  // each frame stays until the next covers it
        PutWord(out, frame.delay_cs);
        out.append('\0');  // no transparent index
        out.append('\0');
        out.append('\x2C');
        PutWord(out, 0);
        PutWord(out, 0);
        PutWord(out, width);
        PutWord(out, height);
        out.append('\0');  // no local palette, not interlaced
        EncodeLzw(frame.indices, out);
    }
    out.append('\x3B');
    return out;
}

}  // namespace veltra::skin
