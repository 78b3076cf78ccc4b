#include "map/BackgroundMap.h"
#include "map/OsmReader.h"
#include "track/GpxReader.h"

#include "PainterTestSupport.h"

using namespace trakmoor;

// The picture's threads still draw the rows around the panel from the old features when the map
// is replaced: they must be stopped before those features go (ASan reports a read after free).
TEST(BackgroundMap, ReplacingStopsAndDropsThePictureFirst) {
    const std::string data = TRAKMOOR_TEST_DATA "/../../data/";
    OsmMapReadResult osm = readOsmMapFile(data + "data.osm");
    ASSERT_EQ(osm.outcome, OsmMapReadResult::Outcome::Loaded);
    const auto gpx = readGpxFile(data + "sample.gpx");
    BackgroundMap map({.bands = 3});
    const std::size_t count = osm.features.size();
    map.replace(std::move(osm.features), "data.osm");
    MapPictureSource source;
    source.track = gpx->trackAt(0);
    source.features = map.features();
    source.mapGeneration = map.generation();
    source.width = 520;
    source.height = 522;
    source.font = test::kFont.get();
    ASSERT_TRUE(map.picture().update(source));
    ASSERT_TRUE(map.picture().isCompleting());

    map.replace(readOsmMapFile(data + "data.osm").features, "again.osm");
    EXPECT_FALSE(map.picture().isCompleting());
    EXPECT_EQ(map.picture().picture(), nullptr);
    EXPECT_EQ(std::tuple(map.features().size(), map.path(), map.generation()),
              std::tuple(count, "again.osm", 2));
    map.clear();
    EXPECT_EQ(std::tuple(map.features().size(), map.path(), map.generation()),
              std::tuple(0u, "", 3));
}
