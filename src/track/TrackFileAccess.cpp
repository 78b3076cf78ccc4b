#include "track/TrackFileAccess.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mxml.h>

namespace trakmoor {

RegularFile::RegularFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error_ = errno;
        return;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        error_ = errno;
    } else if (!S_ISREG(status.st_mode)) {
        error_ = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    } else {
        fd_ = fd;
        return;
    }
    ::close(fd);
}

RegularFile::~RegularFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

GpxReadResult cannotOpen(int error) {
    GpxReadResult result;
    result.outcome = GpxReadResult::Outcome::CannotOpen;
    result.error = std::generic_category().message(error);
    return result;
}

namespace {

thread_local std::string* capturedXmlError = nullptr;

void captureXmlError(const char* message) {
    if (capturedXmlError && capturedXmlError->empty()) {
        *capturedXmlError = message;
    }
}

} // namespace

XmlErrorCapture::XmlErrorCapture() : outer_(capturedXmlError) {
    capturedXmlError = &message_;
    mxmlSetErrorCallback(captureXmlError);
}

XmlErrorCapture::~XmlErrorCapture() {
    capturedXmlError = outer_;
}

} // namespace trakmoor
