// Writes a region-sized OSM XML map made of the real extracts given on the command line: a grid
// of copies, each renumbered into an id range of its own and moved by its file's own extent, so
// that the region has a real map's density instead of one town stacked on itself.
//   make_region_map WAYS OUT.osm FILE.osm...   (stops after the copy that reaches WAYS ways)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Source {
    std::string text;
    double minLat = 90, minLon = 180, maxLat = -90, maxLon = -180;
    long ways = 0;
};

std::string attribute(const std::string& text, std::size_t from, std::size_t to, const char* name) {
    const std::string pattern = std::string(" ") + name + "=";
    const std::size_t at = text.find(pattern, from);
    if (at == std::string::npos || at > to)
        return {};
    const char quote = text[at + pattern.size()];
    const std::size_t end = text.find(quote, at + pattern.size() + 1);
    return text.substr(at + pattern.size() + 1, end - at - pattern.size() - 1);
}

// Copies `text` with every id, ref, lat and lon attribute rewritten.
void writeCopy(std::ostream& out, const Source& source, long long idOffset, double dLat,
               double dLon) {
    const std::string& text = source.text;
    const std::size_t begin = text.find('>', text.find("<osm")) + 1;
    const std::size_t end = text.rfind("</osm>");
    std::size_t at = begin;
    char number[64];
    while (at < end) {
        std::size_t next = text.find('=', at);
        if (next == std::string::npos || next >= end) {
            out.write(text.data() + at, static_cast<std::streamsize>(end - at));
            break;
        }
        std::size_t nameStart = next;
        while (nameStart > at && std::isalpha(static_cast<unsigned char>(text[nameStart - 1])))
            --nameStart;
        const std::string name = text.substr(nameStart, next - nameStart);
        const bool isElementStart = nameStart > 0 && text[nameStart - 1] == ' ';
        out.write(text.data() + at, static_cast<std::streamsize>(next + 2 - at));
        const char quote = text[next + 1];
        const std::size_t valueEnd = text.find(quote, next + 2);
        const std::string value = text.substr(next + 2, valueEnd - next - 2);
        if (isElementStart && (name == "id" || name == "ref")) {
            std::snprintf(number, sizeof number, "%lld", std::stoll(value) + idOffset);
            out << number;
        } else if (isElementStart && (name == "lat" || name == "lon")) {
            std::snprintf(number, sizeof number, "%.7f",
                          std::stod(value) + (name == "lat" ? dLat : dLon));
            out << number;
        } else {
            out << value;
        }
        at = valueEnd;
    }
    out << '\n';
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: make_region_map WAYS OUT.osm FILE.osm...\n";
        return 2;
    }
    const long wanted = std::stol(argv[1]);
    std::vector<Source> sources;
    for (int i = 3; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        Source source;
        source.text.assign(std::istreambuf_iterator<char>(in), {});
        for (std::size_t at = 0; (at = source.text.find("<node ", at)) != std::string::npos; ++at) {
            const std::size_t close = source.text.find('>', at);
            const std::string lat = attribute(source.text, at, close, "lat");
            const std::string lon = attribute(source.text, at, close, "lon");
            if (lat.empty() || lon.empty())
                continue;
            source.minLat = std::min(source.minLat, std::stod(lat));
            source.maxLat = std::max(source.maxLat, std::stod(lat));
            source.minLon = std::min(source.minLon, std::stod(lon));
            source.maxLon = std::max(source.maxLon, std::stod(lon));
        }
        for (std::size_t at = 0; (at = source.text.find("<way ", at)) != std::string::npos; ++at)
            ++source.ways;
        sources.push_back(std::move(source));
    }
    std::ofstream out(argv[2], std::ios::binary);
    out << "<?xml version='1.0' encoding='UTF-8'?>\n<osm version=\"0.6\" "
           "generator=\"make_region_map\">\n";
    // Rows of copies from west to east, the sources taking turns, rows stacked northwards: the
    // copies touch but never overlap, and the region comes out roughly square.
    long ways = 0;
    long long copy = 0;
    const auto perRow = static_cast<std::size_t>(
        std::ceil(std::sqrt(static_cast<double>(wanted) / 2839.0)) * sources.size());
    double rowLat = 40.0;
    while (ways < wanted) {
        double lon = 0.0;
        double rowHeight = 0.0;
        for (std::size_t k = 0; k < perRow && ways < wanted; ++k) {
            const Source& source = sources[k % sources.size()];
            ++copy;
            // Real ids reach ten digits; each copy gets a range far above them.
            writeCopy(out, source, copy * 10000000000LL, rowLat - source.minLat,
                      lon - source.minLon);
            lon += source.maxLon - source.minLon;
            rowHeight = std::max(rowHeight, source.maxLat - source.minLat);
            ways += source.ways;
        }
        rowLat += rowHeight;
    }
    out << "</osm>\n";
    std::cerr << ways << " ways in " << copy << " copies\n";
    return 0;
}
