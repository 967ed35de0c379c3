#pragma once
// The exception type of Parlune's operations: it ends the current operation
// and carries a message meant for the user.

#include <QString>
#include <stdexcept>

class EParlune : public std::runtime_error
{
public:
    explicit EParlune(const QString &message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};

// Input beyond what the line model holds (a line too long, too many lines).
class ETooLarge : public EParlune
{
public:
    using EParlune::EParlune;
};

// A path that names no regular file: nothing is there, or a folder, FIFO
// or device is.
class ENotAFile : public EParlune
{
public:
    using EParlune::EParlune;
};
