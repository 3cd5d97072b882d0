#pragma once

#include <QIODevice>

#include <memory>

// Where the traffic log goes: a file it appends to, or standard output. Each line is handed to
// the system as it comes, with no buffer in between, and a failure is told in the system's own
// words ("No space left on device"), also when the system took only part of the line first.
class LogFile : public QIODevice
{
public:
    // "-" is standard output. A file is opened for appending, so that every line goes to the
    // end, also when another program appends to the same file; a pipe (a FIFO) without a
    // program reading it, or one that stops reading, fails instead of holding the panel up.
    // Nothing when it cannot be opened; `error` then says why.
    static std::unique_ptr<LogFile> open(const QString &path, QString &error);

    ~LogFile() override;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override;

private:
    explicit LogFile(int fd);

    int m_fd;
};
