// The table of analysed music read at demo times, and written to a file
// and read back.
#include <gtest/gtest.h>

#include "analysis/music_at.h"
#include "analysis/music_table_file.h"

namespace quadrelume::analysis {
namespace {

// Three rows: silence, then spectrum 200 with bands 255, 0, 100, 50 and
// level 255, then spectrum 100 with every other byte 0; and 2000 samples
// at 1000 Hz, each its number modulo 256.
MusicTable smallTable() {
    MusicTable table;
    table.rowCount = 3;
    table.rows.assign(3 * rowBytes, 0);
    std::uint8_t* second = table.row(1);
    std::fill(second, second + spectrumWidth, 200);
    const std::uint8_t bands[] = {255, 0, 100, 50};
    std::copy(std::begin(bands), std::end(bands), second + bandsOffset);
    second[levelOffset] = 255;
    std::fill(table.row(2), table.row(2) + spectrumWidth, 100);
    table.rate = 1000;
    for (int i = 0; i < 2000; ++i) table.waveform.push_back(static_cast<std::uint8_t>(i % 256));
    return table;
}

TEST(MusicAt, MixesTheRowsAroundTheTime) {
    const MusicTable table = smallTable();
    struct Case {
        double t;
        int texel;  // every texel of the spectrum row
        float lowBand;
        float level;
    };
    const Case cases[] = {
        {0.0, 0, 0.0f, 0.0f},
        {1.0 / 60, 200, 1.0f, 1.0f},
        {0.5 / 60, 100, 0.5f, 0.5f},
        {0.25 / 60, 50, 0.25f, 0.25f},       // (200 × 64 + 128) / 256, rounded down
        {1.75 / 60, 125, 0.25f, 0.25f},      // 200 × 64 + 100 × 192
        {2.5 / 60, 50, 0.0f, 0.0f},          // past the last row: silence
        {3.0 / 60, 0, 0.0f, 0.0f},
        {-0.5 / 60, 0, 0.0f, 0.0f},          // nothing sounds before 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.t * 60);
        std::uint8_t row[spectrumWidth];
        spectrumAt(table, c.t, row);
        EXPECT_EQ(std::count(row, row + spectrumWidth, c.texel), spectrumWidth);
        EXPECT_FLOAT_EQ(bandsAt(table, c.t)[0], c.lowBand);
        EXPECT_FLOAT_EQ(levelAt(table, c.t), c.level);
    }
    EXPECT_NEAR(bandsAt(table, 0.5 / 60)[2], 50.0f / 255.0f, 1e-6f);
}

TEST(MusicTableFile, ReadsBackWhatWasWrittenAndRefusesWhatIsNot) {
    const MusicTable table = smallTable();
    const std::string full = encodeMusicTable(table, true);
    EXPECT_EQ(full.size(), 36u + 3 * rowBytes + 2000);
    EXPECT_EQ(full.substr(0, 8), "QLMUSIC1");
    std::optional<MusicTable> back = decodeMusicTable(full);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->rowCount, 3);
    EXPECT_EQ(back->rows, table.rows);
    EXPECT_EQ(back->rate, 1000);
    EXPECT_EQ(back->waveform, table.waveform);

    std::optional<MusicTable> rowsOnly = decodeMusicTable(encodeMusicTable(table, false));
    ASSERT_TRUE(rowsOnly);
    EXPECT_EQ(rowsOnly->rows, table.rows);
    EXPECT_EQ(rowsOnly->rate, 0);
    EXPECT_TRUE(rowsOnly->waveform.empty());

    std::string otherGrid = full;
    otherGrid[8] = 50;  // 50 rows a second
    for (const std::string& bad : {full.substr(0, full.size() - 1), full + "x", std::string("QLMUSIC2") + full.substr(8),
                                   otherGrid, std::string()}) {
        EXPECT_FALSE(decodeMusicTable(bad)) << bad.size();
    }
}

}  // namespace
}  // namespace quadrelume::analysis
