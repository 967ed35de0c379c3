#pragma once
// Reading and writing the program's one file format, plain text.
//
// Reading: a byte-order mark selects UTF-8, UTF-16 LE or UTF-16 BE; without
// one the file is UTF-8, or Latin-1 when it is not valid UTF-8 (so every byte
// survives a load and a save). CR LF, a lone CR and a lone LF end a line; a
// break at the very end adds no line. Tabs become tabSize spaces.
// Writing: the mark of the encoding (if it has one), then the lines with
// the text's own line break between them. Both raise EParlune naming the
// path and the reason.

#include "text/FileSource.h"
#include "text/TextStore.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

enum class TTextEncoding {
    Utf8,     // no byte-order mark: the stand-in for the system's code page
    Latin1,   // no byte-order mark, not valid UTF-8
    Utf8Bom,
    Utf16LE,
    Utf16BE,
};

QString EncodingName(TTextEncoding e);

enum class TLineBreak { Lf, CrLf, Cr };

QString LineBreakName(TLineBreak b);

// A loaded line whose stored text is not its file's bytes (its tabs were
// expanded, or its bytes are not valid in the file's encoding): where those
// bytes are. count is in bytes, or in UTF-16 units (native byte order) for
// a UTF-16 file.
struct TRawLine
{
    int32_t line;
    const void *data;
    uint32_t count;
};

struct TLoadedText
{
    std::vector<TLineRec> lines;
    TKeepAlive keep;
    TTextEncoding encoding = TTextEncoding::Utf8;
    // The line break the file's first break uses (LF for a file without
    // one), and whether the file ends with a break.
    TLineBreak lineBreak = TLineBreak::Lf;
    bool finalBreak = false;
    // The lines whose bytes differ from their stored text, by line, and
    // the buffer that holds those bytes.
    std::vector<TRawLine> raw;
    std::shared_ptr<const void> rawBlock;
};

// One line to write: its stored text, or the bytes it was loaded from (in
// TOutFormat::rawEncoding); neither stands for an empty line.
struct TOutLine
{
    const TLineRec *text = nullptr;
    const TRawLine *raw = nullptr;
};

struct TOutFormat
{
    TTextEncoding encoding = TTextEncoding::Utf8;
    TLineBreak lineBreak = TLineBreak::CrLf;
    bool finalBreak = true;  // a break after the last line too
    TTextEncoding rawEncoding = TTextEncoding::Utf8;
};

// With a hasher, every line gets its hash while its characters are at hand.
// What a path may name is the reader's kind (FileSource.h); the window's
// is the default.
TLoadedText ReadTextFile(const QString &path, int tabSize = 4, TLineHasher hasher = nullptr,
                         TSourceKind kind = TSourceKind::Window);
TLoadedText ReadTextFile(const QByteArray &nativePath, int tabSize, TLineHasher hasher, TSourceKind kind);
TLoadedText DecodeText(QByteArray bytes, int tabSize = 4, TLineHasher hasher = nullptr);
// The index of the first line that the encoding cannot hold, or -1. A
// lone surrogate is a character no UTF-8 or Latin-1 file can hold.
int FirstLineNotEncodable(const std::vector<TLineRec> &lines, TTextEncoding encoding);
int FirstLineNotEncodable(const std::vector<TOutLine> &lines, const TOutFormat &format);
// Refuses a target that exists and is not a regular file, and lines that
// the encoding cannot hold (nothing is written then).
// Writes through a temporary file that replaces the target only when all
// was written, so a failed save leaves an existing file as it was.
void WriteTextFile(const QString &path, const std::vector<TOutLine> &lines, const TOutFormat &format);
// Every line followed by CR LF.
void WriteTextFile(const QString &path, const std::vector<TLineRec> &lines, TTextEncoding encoding);
