#ifndef TRAKMOOR_TESTS_MAP_OSMEXTRACTSERVER_H
#define TRAKMOOR_TESTS_MAP_OSMEXTRACTSERVER_H

// An Overpass stand-in on 127.0.0.1: answers each query with what a real OSM extract holds in the
// query's box (every way with a node in it, the relations of those ways, everything they
// reference), so pieces fetched from it can be checked against the extract itself.

#include "map/OverpassDownload.h"

#include <arpa/inet.h>
#include <unistd.h>

#include <curl/curl.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <thread>

namespace maptest {

using Box = trakmoor::BoundingBox;

class OsmExtract {
public:
    explicit OsmExtract(const std::string& path) {
        std::ifstream in(path);
        std::string line, *open = nullptr;
        std::int64_t way = 0, relation = 0;
        while (std::getline(in, line)) {
            const std::size_t start = line.find_first_not_of(" \t");
            const std::string_view tag =
                start == line.npos ? "" : std::string_view(line).substr(start);
            const bool single = tag.find("/>") != tag.npos;
            if (tag.starts_with("<node ")) {
                const std::int64_t id = num(tag, "id");
                at_[id] = {std::stod(attr(tag, "lat")), std::stod(attr(tag, "lon"))};
                open = &(nodes_[id] = line);
            } else if (tag.starts_with("<way ")) {
                open = &(ways_[way = num(tag, "id")] = line);
            } else if (tag.starts_with("<relation ")) {
                open = &(relations_[relation = num(tag, "id")] = line);
            } else if (tag.starts_with("</osm")) {
                open = nullptr;
            } else if (open != nullptr) {
                *open += "\n" + line;
                if (tag.starts_with("<nd "))
                    wayNodes_[way].push_back(num(tag, "ref"));
                if (tag.starts_with("<member ") && attr(tag, "type") == "way")
                    members_[relation].push_back(num(tag, "ref"));
                continue;
            }
            if (single)
                open = nullptr;
        }
    }
    std::string answer(const Box& b) const {
        std::set<std::int64_t> ways, relations, nodes;
        for (const auto& [id, refs] : wayNodes_)
            for (std::int64_t ref : refs)
                if (const auto [lat, lon] = at_.count(ref) ? at_.at(ref) : std::pair(99.0, 0.0);
                    lat >= b.south && lat <= b.north && lon >= b.west && lon <= b.east)
                    ways.insert(id);
        for (const auto& [id, refs] : members_)
            for (std::int64_t ref : refs)
                if (ways.count(ref))
                    relations.insert(id);
        for (std::int64_t id : relations)
            for (std::int64_t ref : members_.at(id))
                if (ways_.count(ref))
                    ways.insert(ref);
        for (std::int64_t id : ways)
            if (wayNodes_.count(id))
                for (std::int64_t ref : wayNodes_.at(id))
                    nodes.insert(ref);
        std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<osm version=\"0.6\">\n";
        for (std::int64_t id : nodes)
            if (nodes_.count(id))
                out += nodes_.at(id) + "\n";
        for (std::int64_t id : ways)
            out += ways_.at(id) + "\n";
        for (std::int64_t id : relations)
            out += relations_.at(id) + "\n";
        return out + "</osm>\n";
    }

private:
    static std::string attr(std::string_view tag, const std::string& name) {
        for (const char quote : {'"', '\''}) {
            const std::size_t at = tag.find(" " + name + "=" + quote);
            if (at != tag.npos) {
                const std::size_t from = at + name.size() + 3;
                return std::string(tag.substr(from, tag.find(quote, from) - from));
            }
        }
        return "0";
    }
    static std::int64_t num(std::string_view tag, const std::string& name) {
        return std::stoll(attr(tag, name));
    }
    std::map<std::int64_t, std::string> nodes_, ways_, relations_;
    std::map<std::int64_t, std::pair<double, double>> at_;
    std::map<std::int64_t, std::vector<std::int64_t>> wayNodes_, members_;
};

// The box of the first "(south,west,north,east)" of a form-encoded Overpass query.
inline Box queryBox(const std::string& request) {
    const std::size_t body = request.find("data=");
    int length = 0;
    char* decoded = curl_easy_unescape(nullptr, request.c_str() + body + 5,
                                       static_cast<int>(request.size() - body - 5), &length);
    std::string query(decoded, static_cast<std::size_t>(length));
    curl_free(decoded);
    Box box{};
    std::sscanf(query.c_str() + query.find("](") + 2, "%lf,%lf,%lf,%lf", &box.south, &box.west,
                &box.north, &box.east);
    return box;
}

inline std::string httpAnswer(const std::string& status, const std::string& body,
                              const std::string& headers = "") {
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n" + headers + "\r\n" + body;
}

// Each connection is answered by `reply` (request number, request text), one after the other.
class ExtractServer {
public:
    using Reply = std::function<std::string(int, const std::string&)>;
    explicit ExtractServer(Reply reply) : reply_(std::move(reply)) {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t size = sizeof address;
        bind(listener_, reinterpret_cast<sockaddr*>(&address), size);
        listen(listener_, 8);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/api/interpreter";
        thread_ = std::thread([this] {
            for (int client = -1, i = 0; (client = accept(listener_, nullptr, nullptr)) >= 0;)
                serve(client, i++);
        });
    }
    ~ExtractServer() {
        shutdown(listener_, SHUT_RDWR);
        thread_.join();
        close(listener_);
    }
    int requests() const { return served_; }
    std::string url;

private:
    void serve(int client, int number) {
        std::string request, in(65536, '\0');
        while (!request.ends_with("%3B")) {
            const ssize_t n = recv(client, in.data(), in.size(), 0);
            if (n <= 0)
                return (void)close(client); // the client gave up
            request.append(in.data(), static_cast<std::size_t>(n));
        }
        ++served_;
        const std::string reply = reply_(number, request);
        send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
        close(client);
    }
    Reply reply_;
    int listener_ = socket(AF_INET, SOCK_STREAM, 0);
    std::atomic<int> served_{0};
    std::thread thread_;
};

} // namespace maptest

#endif
