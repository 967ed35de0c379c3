// libFuzzer target: a file's bytes decoded into lines, as every load does.
//
// Whatever the bytes, decoding ends with lines that hold no line break and
// no tab, each carrying the hash of its own text (the same as of its UTF-16
// form); a file without a byte-order mark is UTF-8 exactly when it is
// valid; and writing the lines out in the encoding found and decoding that
// again gives the same lines (the text survives a save and a load).
#include "FuzzCheck.h"
#include "compare/HashUnit.h"
#include "text/TextFile.h"

#include <QDir>
#include <QTemporaryFile>
#include <cstdlib>

namespace {

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
    return 0;
}
