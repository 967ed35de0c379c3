// libFuzzer target: a file's bytes decoded into lines, as every load does.
//
// Whatever the bytes, decoding ends with lines that hold no line break and
// no tab, each carrying the hash of its own text (the same as of its UTF-16
// form); a file without a byte-order mark is UTF-8 exactly when it is
// valid; and writing the lines out in the encoding found and decoding that
// again gives the same lines (the text survives a save and a load). A
// file whose line breaks are all of one kind comes back from a load and a
// save byte for byte (a dangling byte of UTF-16 aside).
#include "FuzzCheck.h"
#include "compare/HashUnit.h"
#include "text/Lines.h"
#include "text/TextFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <cstdlib>

namespace {

// Whether every line break of the text is of one kind (CR LF, lone CR or
// lone LF).
bool uniformBreaks(const QByteArray &bytes, TTextEncoding encoding)
{
    const bool wide = encoding == TTextEncoding::Utf16LE || encoding == TTextEncoding::Utf16BE;
    const int step = wide ? 2 : 1;
    const qsizetype from = wide ? 2 : encoding == TTextEncoding::Utf8Bom ? 3 : 0;
    auto unit = [&](qsizetype i) {
        const auto b = [&](qsizetype k) { return uchar(bytes[k]); };
        return wide ? (encoding == TTextEncoding::Utf16LE ? b(i) | b(i + 1) << 8 : b(i) << 8 | b(i + 1)) : int(b(i));
    };
    int kinds = 0;
    for (qsizetype i = from; i + step <= bytes.size(); i += step) {
        const int c = unit(i);
        if (c == '\r' && i + 2 * step <= bytes.size() && unit(i + step) == '\n') {
            kinds |= 1;
            i += step;
        } else if (c == '\r') {
            kinds |= 2;
        } else if (c == '\n') {
            kinds |= 4;
        }
    }
    return kinds == 0 || kinds == 1 || kinds == 2 || kinds == 4;
}

QStringList texts(const TLoadedText &t)
{
    QStringList out;
    for (const TLineRec &r : t.lines)
        out << r.toString();
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const TLoadedText loaded = DecodeText(bytes, 4, HashUnit::HashNormalized);
    for (const TLineRec &r : loaded.lines) {
        const QString s = r.toString();
        check(!s.contains(u'\r') && !s.contains(u'\n') && !s.contains(u'\t'));
        check(r.hashed && r.hash == HashUnit::HashNormalized(r));
        // Lines kept in UTF-8 hash as their UTF-16 text does.
        check(r.hash == HashUnit::HashLine(s, true, true));
    }
    // A file without a byte-order mark is read as UTF-8 exactly when Qt
    // finds it valid UTF-8.
    if (loaded.encoding == TTextEncoding::Utf8 || loaded.encoding == TTextEncoding::Latin1)
        check((loaded.encoding == TTextEncoding::Utf8) == QByteArrayView(bytes).isValidUtf8());

    if (FirstLineNotEncodable(loaded.lines, loaded.encoding) >= 0)
        return 0;
    // In memory where the system offers it: a save syncs the file to disk.
    static QTemporaryFile file(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/parlune-fuzz-XXXXXX")
                                                                           : QStringLiteral("parlune-fuzz-XXXXXX"));
    static const bool opened = file.open();
    check(opened);
    WriteTextFile(file.fileName(), loaded.lines, loaded.encoding);
    const TLoadedText again = ReadTextFile(file.fileName(), 4);
    check(texts(again) == texts(loaded));
    check(again.encoding == loaded.encoding || loaded.lines.empty());

    const bool wide = loaded.encoding == TTextEncoding::Utf16LE || loaded.encoding == TTextEncoding::Utf16BE;
    if (!uniformBreaks(bytes, loaded.encoding) || (wide && size % 2 != 0))
        return 0;
    TLines lines;
    lines.Assign(DecodeText(bytes, 4));
    lines.SaveToFile(file.fileName());
    QFile saved(file.fileName());
    check(saved.open(QIODevice::ReadOnly));
    check(saved.readAll() == bytes);
    return 0;
}
