#pragma once
// What the track readers share when they open a file: a descriptor that closes itself, the
// refusal of what is not a regular file, and the capture of Mini-XML's parse errors.

#include <string>

#include "track/GpxReader.h"

namespace trakmoor {

// A file opened for reading without blocking (a pipe without a writer is refused, not waited
// for), closed with this object.  fd is -1 and error the reason when it is not a regular file
// that could be opened: directories, devices and pipes are no track files, and /dev/zero would
// never end.
class RegularFile {
public:
    explicit RegularFile(const std::string& path);
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;
    ~RegularFile();

    int fd() const { return fd_; }
    int error() const { return error_; }

private:
    int fd_ = -1;
    int error_ = 0;
};

// The result for a file that could not be opened or read, with errno's text as the reason.
GpxReadResult cannotOpen(int error);

// Mini-XML hands its parse errors to a callback without context, kept per thread; without one it
// prints them on the standard error stream.  While a capture is alive on a thread, that thread's
// errors are kept in it instead, the first one being the one that names the fault.
class XmlErrorCapture {
public:
    XmlErrorCapture();
    XmlErrorCapture(const XmlErrorCapture&) = delete;
    XmlErrorCapture& operator=(const XmlErrorCapture&) = delete;
    ~XmlErrorCapture();

    const std::string& message() const { return message_; }

private:
    std::string message_;
    std::string* outer_;
};

} // namespace trakmoor
