#include "map/OsmReader.h"

#include "map/OsmFeatureBuilder.h"
#include "map/OsmPbfReader.h"
#include "map/OsmXmlParser.h"

#include <bzlib.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace trakmoor {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }

private:
    int fd_;
};

std::size_t readSome(int fd, char* out, std::size_t size) {
    while (true) {
        const ssize_t got = ::read(fd, out, size);
        if (got >= 0) {
            return static_cast<std::size_t>(got);
        }
        if (errno != EINTR) {
            throw std::system_error(errno, std::generic_category());
        }
    }
}

// The bytes of the XML text, decompressed on the way where the file is compressed. `read`
// returns 0 only at the end, and throws when the data is damaged or ends early.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::size_t read(char* out, std::size_t size) = 0;
};

class PlainSource : public ByteSource {
public:
    explicit PlainSource(int fd) : fd_(fd) {}
    std::size_t read(char* out, std::size_t size) override { return readSome(fd_, out, size); }

private:
    int fd_;
};

constexpr std::size_t compressedBlock = std::size_t{1} << 18;

class GzipSource : public ByteSource {
public:
    explicit GzipSource(int fd)
        : fd_(fd), input_(std::make_unique_for_overwrite<char[]>(compressedBlock)) {
        // 32 + 15: gzip or zlib framing, the largest window.
        if (inflateInit2(&stream_, 32 + 15) != Z_OK) {
            throw std::bad_alloc();
        }
    }
    ~GzipSource() override { inflateEnd(&stream_); }

    std::size_t read(char* out, std::size_t size) override {
        stream_.next_out = reinterpret_cast<Bytef*>(out);
        stream_.avail_out = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
        while (stream_.avail_out > 0 && !(streamEnded_ && atEof_)) {
            if (stream_.avail_in == 0 && !atEof_) {
                const std::size_t got = readSome(fd_, input_.get(), compressedBlock);
                atEof_ = got == 0;
                stream_.next_in = reinterpret_cast<Bytef*>(input_.get());
                stream_.avail_in = static_cast<uInt>(got);
            }
            if (streamEnded_) {
                if (stream_.avail_in == 0) {
                    continue;
                }
                // Concatenated gzip members make one file.
                inflateReset(&stream_);
                streamEnded_ = false;
            }
            const int status = inflate(&stream_, Z_NO_FLUSH);
            if (status == Z_STREAM_END) {
                streamEnded_ = true;
            } else if (status == Z_BUF_ERROR) {
                // No progress without more input.
                if (atEof_) {
                    throw std::runtime_error("the gzip data ends early");
                }
            } else if (status != Z_OK) {
                throw std::runtime_error(std::string("damaged gzip data: ") +
                                         (stream_.msg != nullptr ? stream_.msg : "inflate failed"));
            }
        }
        return size - stream_.avail_out;
    }

private:
    int fd_;
    std::unique_ptr<char[]> input_;
    z_stream stream_{};
    bool atEof_ = false;
    bool streamEnded_ = false;
};

class Bzip2Source : public ByteSource {
public:
    explicit Bzip2Source(int fd)
        : fd_(fd), input_(std::make_unique_for_overwrite<char[]>(compressedBlock)) {
        start();
    }
    ~Bzip2Source() override { BZ2_bzDecompressEnd(&stream_); }

    std::size_t read(char* out, std::size_t size) override {
        stream_.next_out = out;
        stream_.avail_out = static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30));
        while (stream_.avail_out > 0 && !(streamEnded_ && atEof_)) {
            if (stream_.avail_in == 0 && !atEof_) {
                const std::size_t got = readSome(fd_, input_.get(), compressedBlock);
                atEof_ = got == 0;
                stream_.next_in = input_.get();
                stream_.avail_in = static_cast<unsigned>(got);
            }
            if (streamEnded_) {
                if (stream_.avail_in == 0) {
                    continue;
                }
                // Parallel compressors write one bzip2 stream after another.
                BZ2_bzDecompressEnd(&stream_);
                start();
            }
            const unsigned before = stream_.avail_out;
            const int status = BZ2_bzDecompress(&stream_);
            if (status == BZ_STREAM_END) {
                streamEnded_ = true;
            } else if (status == BZ_DATA_ERROR_MAGIC) {
                throw std::runtime_error("the file is not bzip2 data inside");
            } else if (status == BZ_DATA_ERROR) {
                throw std::runtime_error("damaged bzip2 data");
            } else if (status != BZ_OK) {
                throw std::runtime_error("bzip2 decompression failed");
            } else if (atEof_ && stream_.avail_in == 0 && before == stream_.avail_out) {
                throw std::runtime_error("the bzip2 data ends early");
            }
        }
        return size - stream_.avail_out;
    }

private:
    void start() {
        const unsigned avail = stream_.avail_in;
        char* next = stream_.next_in;
        stream_ = {};
        stream_.next_in = next;
        stream_.avail_in = avail;
        if (BZ2_bzDecompressInit(&stream_, 0, 0) != BZ_OK) {
            throw std::bad_alloc();
        }
        streamEnded_ = false;
    }

    int fd_;
    std::unique_ptr<char[]> input_;
    bz_stream stream_{};
    bool atEof_ = false;
    bool streamEnded_ = false;
};

std::vector<MapFeature> readXml(ByteSource& source, std::size_t expectedBytes) {
    // Large blocks keep system calls rare; markup longer than a block grows the buffer to hold
    // it, so memory stays bounded by the longest element rather than the file.
    constexpr std::size_t blockSize = std::size_t{4} << 20;
    OsmFeatureBuilder builder(expectedBytes);
    OsmXmlParser parser(builder);
    std::size_t capacity = blockSize;
    auto buffer = std::make_unique_for_overwrite<char[]>(capacity);
    std::size_t filled = 0;
    while (true) {
        if (filled == capacity) {
            auto bigger = std::make_unique_for_overwrite<char[]>(capacity * 2);
            std::memcpy(bigger.get(), buffer.get(), filled);
            buffer = std::move(bigger);
            capacity *= 2;
        }
        const std::size_t got = source.read(buffer.get() + filled, capacity - filled);
        if (got == 0) {
            break;
        }
        filled += got;
        const std::size_t used = parser.parse(std::string_view(buffer.get(), filled));
        if (used > 0) {
            std::memmove(buffer.get(), buffer.get() + used, filled - used);
            filled -= used;
        }
    }
    parser.finish(std::string_view(buffer.get(), filled));
    return builder.finish();
}

OsmMapReadResult invalid(std::string what) {
    return {OsmMapReadResult::Outcome::Invalid, {}, std::move(what)};
}

} // namespace

OsmMapKind sniffOsmMapKind(std::string_view head) {
    if (head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0x1F &&
        static_cast<unsigned char>(head[1]) == 0x8B) {
        return OsmMapKind::Gzip;
    }
    if (head.size() >= 4 && head.starts_with("BZh") && head[3] >= '1' && head[3] <= '9') {
        return OsmMapKind::Bzip2;
    }
    // A PBF file opens with the size of its first block header, which is small, and that header
    // names its block "OSMHeader": field 1, a string of 9 bytes.
    if (head.size() >= 15 && head[0] == 0 && head[1] == 0 &&
        head.substr(4, 11) == "\x0A\x09OSMHeader") {
        return OsmMapKind::Pbf;
    }
    std::size_t at = head.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (at < head.size() &&
           (head[at] == ' ' || head[at] == '\n' || head[at] == '\r' || head[at] == '\t')) {
        ++at;
    }
    if (at < head.size() && head[at] == '<') {
        return OsmMapKind::Xml;
    }
    return OsmMapKind::Unknown;
}

const std::vector<std::string>& osmMapFileEndings() {
    static const std::vector<std::string> endings = {".osm",     ".osm.pbf", ".pbf",
                                                     ".osm.bz2", ".osm.gz",  ".xml"};
    return endings;
}

bool isOsmMapFile(const std::string& path) {
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const std::string& ending : osmMapFileEndings()) {
        if (lower.size() > ending.size() && lower.ends_with(ending)) {
            return true;
        }
    }
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        return false;
    }
    std::string head(std::size_t{1} << 12, '\0');
    const ssize_t got = ::pread(file.get(), head.data(), head.size(), 0);
    head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    const OsmMapKind kind = sniffOsmMapKind(head);
    return kind == OsmMapKind::Pbf || kind == OsmMapKind::Gzip || kind == OsmMapKind::Bzip2 ||
           (kind == OsmMapKind::Xml && head.find("<osm") != std::string::npos);
}

OsmMapReadResult readOsmMapFile(const std::string& path) {
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        return {OsmMapReadResult::Outcome::CannotOpen, {}, std::strerror(errno)};
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        return {OsmMapReadResult::Outcome::CannotOpen, {}, std::strerror(errno)};
    }
    // A directory opens fine on this system but is no map file.
    if (S_ISDIR(status.st_mode)) {
        return {OsmMapReadResult::Outcome::CannotOpen, {}, std::strerror(EISDIR)};
    }
    try {
        const std::size_t size =
            S_ISREG(status.st_mode) ? static_cast<std::size_t>(status.st_size) : 0;
        char head[64];
        const ssize_t got = ::pread(file.get(), head, sizeof head, 0);
        if (got <= 0) {
            return invalid(got == 0 ? "the file is empty" : std::strerror(errno));
        }
        std::vector<MapFeature> features;
        switch (sniffOsmMapKind(std::string_view(head, static_cast<std::size_t>(got)))) {
        case OsmMapKind::Xml: {
            PlainSource source(file.get());
            features = readXml(source, size);
            break;
        }
        case OsmMapKind::Gzip: {
            GzipSource source(file.get());
            features = readXml(source, size * 8);
            break;
        }
        case OsmMapKind::Bzip2: {
            Bzip2Source source(file.get());
            features = readXml(source, size * 12);
            break;
        }
        case OsmMapKind::Pbf:
            features = readOsmPbfFile(path, size);
            break;
        case OsmMapKind::Unknown:
            return invalid("neither OSM XML, .osm.pbf, gzip nor bzip2 data");
        }
        // A map file that draws nothing is a wrong file (only nodes, or only unknown ways), and
        // must not replace a map that draws something.
        if (features.empty()) {
            return invalid("the file holds no ways to draw");
        }
        return {OsmMapReadResult::Outcome::Loaded, std::move(features), {}};
    } catch (const std::exception& error) {
        return invalid(error.what());
    }
}

OsmMapReadResult readCheckedOsmMap(const std::string& path) {
    // The reader itself refuses what is no map, by content and with its reason.
    return readOsmMapFile(path);
}

OsmMapReadResult readOsmMapText(std::string_view text) {
    try {
        OsmFeatureBuilder builder(text.size());
        OsmXmlParser parser(builder);
        const std::size_t used = parser.parse(text);
        parser.finish(text.substr(used));
        return {OsmMapReadResult::Outcome::Loaded, builder.finish(), {}};
    } catch (const std::exception& error) {
        return invalid(error.what());
    }
}

} // namespace trakmoor
