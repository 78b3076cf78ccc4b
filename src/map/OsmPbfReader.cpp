#include "map/OsmPbfReader.h"

#include "map/OsmFeatureBuilder.h"

#include <osmium/io/pbf_input.hpp>
#include <osmium/io/reader.hpp>
#include <osmium/osm/node.hpp>
#include <osmium/osm/relation.hpp>
#include <osmium/osm/way.hpp>

namespace trakmoor {

namespace {

void addTags(OsmFeatureBuilder& builder, const osmium::TagList& tags) {
    for (const osmium::Tag& tag : tags) {
        builder.tag(tag.key(), tag.value(), false);
    }
}

} // namespace

std::vector<MapFeature> readOsmPbfFile(const std::string& path, std::size_t fileSize) {
    // PBF packs XML's content about ten times tighter; the builder sizes its tables from that.
    OsmFeatureBuilder builder(fileSize * 10);
    osmium::io::Reader reader(osmium::io::File(path, "pbf"), osmium::osm_entity_bits::node |
                                                                 osmium::osm_entity_bits::way |
                                                                 osmium::osm_entity_bits::relation);
    while (osmium::memory::Buffer buffer = reader.read()) {
        for (const osmium::OSMEntity& entity : buffer.select<osmium::OSMEntity>()) {
            switch (entity.type()) {
            case osmium::item_type::node: {
                const auto& node = static_cast<const osmium::Node&>(entity);
                // A node without coordinates is skipped, as one missing lat or lon is in XML.
                if (node.location().valid()) {
                    builder.node(node.id(), {node.location().lat(), node.location().lon()});
                }
                break;
            }
            case osmium::item_type::way: {
                const auto& way = static_cast<const osmium::Way&>(entity);
                builder.startWay(way.id());
                for (const osmium::NodeRef& ref : way.nodes()) {
                    builder.wayRef(ref.ref());
                }
                addTags(builder, way.tags());
                builder.endWay();
                break;
            }
            case osmium::item_type::relation: {
                const auto& relation = static_cast<const osmium::Relation&>(entity);
                builder.startRelation();
                for (const osmium::RelationMember& member : relation.members()) {
                    if (member.type() == osmium::item_type::way) {
                        builder.wayMember(member.ref(), member.role());
                    }
                }
                addTags(builder, relation.tags());
                builder.endRelation();
                break;
            }
            default:
                break;
            }
        }
    }
    reader.close();
    return builder.finish();
}

} // namespace trakmoor
