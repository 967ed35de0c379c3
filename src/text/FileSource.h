#pragma once
// Reading a file's bytes from outside, safely.
//
// What may be read depends on who asks. The window must never block, so it
// takes regular files only, and /dev/null as an empty file (tools pass it
// for a file that does not exist on one side); a FIFO would block in open()
// until a writer appears, and a device may never end. The command line may
// also read pipes and FIFOs (/dev/stdin, process substitution), as other
// command-line tools do. Other devices are refused in both cases.
//
// The bytes are checked against the line model's limits while they arrive,
// so an endless or huge source is refused by the program, with the limit in
// the message, long before memory runs out.

#include <QByteArray>
#include <QString>

enum class TSourceKind {
    Window,  // regular files and /dev/null; opened without blocking
    Stream,  // also pipes and FIFOs, read to their end
};

// Path in the system's own bytes: file names need not be valid UTF-8.
QByteArray NativePath(const QString &path);

// The whole content of the file. Raises EParlune naming the path and the
// reason (the system's, or which limit was passed).
QByteArray ReadSourceBytes(const QByteArray &nativePath, TSourceKind kind);

// The most bytes one text may take: a quarter of the machine's physical
// memory, so that both texts and the line model built from them fit. A
// source is refused once it passes this, a regular file from its size.
qint64 SourceByteLimit();
// Sets another limit (tests); 0 goes back to the machine's.
void SetSourceByteLimit(qint64 bytes);

// Whether something other than a regular file (a folder, FIFO or any
// device, /dev/null too) is at the path.
bool IsExistingNonRegular(const QByteArray &nativePath);
