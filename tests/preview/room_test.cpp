// The room under the credits: room files as the editor writes them, read or
// refused, and drawn where the engine draws them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "play_flow.h"
#include "room_file.h"

using namespace rollwick_preview;

namespace {

// A room file as the 3.6.3 editor writes it, up to what the previewer reads:
// the main block (no hotspots, objects or regions) with frame 0, then the
// extra frames' block when `frames` > 1, a named block, and the end.
struct RoomWriter {
  int width = 32;
  int height = 16;
  int bpp = 4;
  std::vector<uint32_t> pixels;  // width x height, as stored
  std::vector<std::string> events;
  int frames = 1;

  static void put(std::vector<uint8_t> &out, uint64_t value, int size) {
    for (int i = 0; i < size; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }

  std::vector<uint8_t> main_block() const {
    std::vector<uint8_t> m;
    put(m, bpp, 4);
    put(m, 0, 2);                       // walk-behinds
    put(m, 0, 4);                       // hotspots
    put(m, 0, 4);                       // polygon points
    for (int i = 0; i < 4; ++i) put(m, 0, 2);
    put(m, 0, 2);                       // objects
    put(m, 0, 4);                       // variables
    put(m, 0, 4);                       // regions
    put(m, events.size(), 4);           // the room's event list
    for (const std::string &name : events) {
      m.insert(m.end(), name.begin(), name.end());
      m.push_back(0);
    }
    put(m, width, 2);
    put(m, height, 2);
    put(m, 1, 2);                       // mask resolution
    put(m, 0, 4);                       // walkable areas
    m.insert(m.end(), 21, 0);           // password, options, reserved
    put(m, 0, 2);                       // messages
    put(m, 0, 4);                       // game id
    put(m, 0, 2);                       // animations
    m.insert(m.end(), 32, 0);           // walk-area light levels
    for (int i = 0; i < 256; ++i) {     // a grey ramp of 6-bit values
      for (int c = 0; c < 3; ++c) m.push_back(static_cast<uint8_t>(i / 4));
      m.push_back(0);
    }
    std::vector<uint8_t> raw;
    put(raw, static_cast<uint64_t>(width) * bpp, 4);
    put(raw, height, 4);
    for (const uint32_t pixel : pixels) put(raw, pixel, bpp);
    std::vector<uint8_t> packed;  // LZSS with every byte a literal
    for (size_t i = 0; i < raw.size(); i += 8) {
      packed.push_back(0);
      packed.insert(packed.end(), raw.begin() + static_cast<long>(i),
                    raw.begin() + static_cast<long>(std::min(raw.size(), i + 8)));
    }
    put(m, raw.size(), 4);
    put(m, packed.size(), 4);
    m.insert(m.end(), packed.begin(), packed.end());
    m.insert(m.end(), 40, 0xEE);  // the masks, which the previewer does not read
    return m;
  }

  std::vector<uint8_t> bytes() const {
    std::vector<uint8_t> out;
    put(out, 36306, 2);
    const auto block = [&](int8_t id, const std::vector<uint8_t> &data, const char *name = nullptr) {
      out.push_back(static_cast<uint8_t>(id));
      if (name != nullptr) {
        char padded[16] = {};
        std::snprintf(padded, sizeof padded, "%s", name);
        out.insert(out.end(), padded, padded + 16);
      }
      put(out, data.size(), 8);
      out.insert(out.end(), data.begin(), data.end());
    };
    block(1, main_block());
    if (frames > 1) block(6, {static_cast<uint8_t>(frames), 5});
    block(0, {1, 2, 3}, "ext_sopts");
    out.push_back(0xFF);
    return out;
  }

  // Pixel (x, y) stores x + 256 * y, with full alpha.
  static RoomWriter numbered(int width, int height, std::vector<std::string> events = {}) {
    RoomWriter room;
    room.width = width;
    room.height = height;
    room.events = std::move(events);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) room.pixels.push_back(0xFF000000u | static_cast<uint32_t>(x + 256 * y));
    }
    return room;
  }
};

void write_bytes(const std::string &path, const std::vector<uint8_t> &bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()),
                                             static_cast<std::streamsize>(bytes.size()));
}

// Keeps every frame.
class KeepFrames : public FrameSink {
 public:
  void frame(int64_t, const rollwick_host::Canvas &canvas) override { frames.push_back(canvas); }
  std::vector<rollwick_host::Canvas> frames;
};

// A 320x200 32-bit game (A1's) whose player starts in room 1 at (160, 100),
// in a folder of its own, with the rooms and scripts each test writes.
class Rooms : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = testing::TempDir() + "rooms-" + std::to_string(getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    std::filesystem::copy(SOURCE_DIR "/tests/engine-reference/A1-demo-320x200x32-wfn/game", folder_);
    std::ifstream in(folder_ + "/Game.agf");
    std::string agf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t x = agf.find("<StartX>");
    agf.replace(x, agf.find("</StartY>") - x, "<StartX>160</StartX>\n<StartY>100");
    std::ofstream(folder_ + "/Game.agf", std::ios::binary) << agf;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  void text(const std::string &name, const std::string &contents) {
    std::ofstream(folder_ + "/" + name, std::ios::binary) << contents;
  }

  // Plays SCRIPT (a file of the game's folder; empty: the game's own
  // scripts) and keeps its frames.
  std::unique_ptr<PlayFlow> play(const std::string &script, KeepFrames &frames,
                                 const std::function<void(PlayRequest &)> &adjust = {}) {
    PlayRequest request;
    request.game_folder = folder_;
    request.script_path = script.empty() ? "" : folder_ + "/" + script;
    request.start_plugin = [](PluginSession &session, PreviewEngine &engine, std::string &error) {
      return session.load_fresh(PLUGIN_PATH, engine, error);
    };
    if (adjust) adjust(request);
    auto flow = std::make_unique<PlayFlow>(request);
    EXPECT_TRUE(flow->open() && flow->play({&frames})) << said(*flow);
    return flow;
  }

  static std::string said(const PlayFlow &flow) {
    std::string all;
    for (const PlayMessage &message : flow.messages()) all += message.text + "\n";
    return all;
  }

  std::string folder_;
};

}  // namespace

TEST(RoomFile, ReadsTheMainBlockAndFrameZeroAndSkipsTheRest) {
  RoomWriter writer = RoomWriter::numbered(40, 30, {"", "", "", "", "", "room_Load", "", "room_AfterFadeIn"});
  writer.frames = 3;
  Room room;
  std::string error;
  ASSERT_TRUE(read_room_bytes("room1.crm", writer.bytes(), room, error)) << error;
  EXPECT_EQ(room.version, 36306);
  EXPECT_EQ(room.width, 40);
  EXPECT_EQ(room.height, 30);
  EXPECT_EQ(room.background_width, 40);
  EXPECT_EQ(room.background_height, 30);
  EXPECT_EQ(room.background[39 + 29 * 40], 0xFF000000u | (39 + 256 * 29));
  EXPECT_EQ(room.frames, 3);
  ASSERT_GT(room.room_events.size(), ROOM_EVENT_AFTER_FADE_IN);
  EXPECT_EQ(room.room_events[ROOM_EVENT_AFTER_FADE_IN], "room_AfterFadeIn");
  // A 6-bit 63 shows as 255, 42 as 170, as the engine's display widens them.
  EXPECT_EQ(room_palette(room)[255], 0xFFFFFFu);
  EXPECT_EQ(widen_6(42), 170u);

  // Alpha dropped in a 32-bit game; 5-6-5 in a 16-bit one.
  const rollwick_host::Canvas shown32 = background_for_depth(room, 32, room_palette(room));
  EXPECT_EQ(shown32.at(39, 29), static_cast<uint32_t>(39 + 256 * 29));
  const rollwick_host::Canvas shown16 = background_for_depth(room, 16, room_palette(room));
  EXPECT_EQ(shown16.at(39, 29), rollwick_host::widen_565(rollwick_host::pack_565(39 + 256 * 29)));
}

TEST(RoomFile, DamagedFilesAreNamedAndNeverReadPast) {
  const std::vector<uint8_t> good = RoomWriter::numbered(16, 8).bytes();
  Room room;
  std::string error;
  // Cut anywhere: an error naming the file, never a read past the end.
  for (size_t size = 0; size < good.size(); size += 7) {
    const std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(size));
    EXPECT_FALSE(read_room_bytes("room1.crm", cut, room, error)) << size;
    EXPECT_EQ(error.rfind("room1.crm", 0), 0u) << error;
  }
  std::vector<uint8_t> old = good;
  old[0] = 29;
  old[1] = 0;
  EXPECT_FALSE(read_room_bytes("room1.crm", old, room, error));
  EXPECT_NE(error.find("format 29"), std::string::npos) << error;

  // A background that claims more than its data can make is refused before
  // anything is allocated for it.
  std::vector<uint8_t> bytes = good;
  const uint32_t raw_size = 16 * 4 * 8 + 8;
  for (size_t i = 0; i + 4 <= bytes.size(); ++i) {
    if (bytes[i] == (raw_size & 0xFF) && bytes[i + 1] == (raw_size >> 8) && bytes[i + 2] == 0 && bytes[i + 3] == 0) {
      bytes[i + 2] = 0x00;
      bytes[i + 3] = 0x7F;  // 2 GB
      break;
    }
  }
  EXPECT_FALSE(read_room_bytes("room1.crm", bytes, room, error));
  EXPECT_NE(error.find("cannot be right"), std::string::npos) << error;
}

TEST_F(Rooms, ARoomSmallerThanTheScreenSitsTopLeftWithBlackAround) {
  write_bytes(folder_ + "/room1.crm", RoomWriter::numbered(100, 50).bytes());
  text("credits.credits", "Wait(2);\n");
  KeepFrames frames;
  auto flow = play("credits.credits", frames);
  ASSERT_EQ(frames.frames.size(), 2u);
  EXPECT_EQ(flow->room_number(), 1);
  EXPECT_EQ(frames.frames[1].at(99, 49), static_cast<uint32_t>(99 + 256 * 49));
  EXPECT_EQ(frames.frames[1].at(100, 49), 0u);
  EXPECT_EQ(frames.frames[1].at(99, 50), 0u);
}

TEST_F(Rooms, ALargerRoomFollowsThePlayerUntilAScriptHoldsTheCamera) {
  write_bytes(folder_ + "/room1.crm", RoomWriter::numbered(640, 400).bytes());
  text("credits.credits",
       "Wait(1);\nSetViewport(600, 7);\nWait(1);\n"
       "if (GetViewportX() == 320 && GetViewportY() == 7) Wait(1);\nReleaseViewport();\nWait(1);\n");
  KeepFrames frames;
  auto flow = play("credits.credits", frames);
  ASSERT_EQ(frames.frames.size(), 4u) << "GetViewportX/Y give the camera as held, clamped to the room";
  // The player at (160, 100): the camera from (0, 0), at most the room's edge.
  EXPECT_EQ(frames.frames[0].at(0, 0), 0u);
  EXPECT_EQ(frames.frames[0].at(5, 3), 5u + 256 * 3);
  // SetViewport(600, 7): clamped to 640 - 320.
  EXPECT_EQ(frames.frames[1].at(5, 3), (320u + 5) + 256 * (7 + 3));
  EXPECT_EQ(frames.frames[3].at(5, 3), 5u + 256 * 3);
}

TEST_F(Rooms, MissingOrDamagedRoomsAreSaidAndTheCreditsPlayOverBlack) {
  text("credits.credits", "Wait(1);\n");
  KeepFrames missing;
  auto none = play("credits.credits", missing);
  EXPECT_NE(said(*none).find("room1.crm is missing; the credits play over black"), std::string::npos) << said(*none);
  EXPECT_EQ(none->room_number(), -1);
  EXPECT_EQ(missing.frames[0].at(5, 3), 0u);

  std::vector<uint8_t> damaged = RoomWriter::numbered(320, 200).bytes();
  damaged.resize(damaged.size() / 2);
  write_bytes(folder_ + "/room1.crm", damaged);
  KeepFrames black;
  auto bad = play("credits.credits", black);
  EXPECT_NE(said(*bad).find(folder_ + "/room1.crm is damaged: "), std::string::npos) << said(*bad);
  EXPECT_EQ(black.frames[0].at(5, 3), 0u);
}

TEST_F(Rooms, RoomIsChosenByTheRoomsScriptOrAskedForOrLeftOut) {
  write_bytes(folder_ + "/room1.crm", RoomWriter::numbered(320, 200).bytes());
  RoomWriter second = RoomWriter::numbered(320, 200);
  for (uint32_t &pixel : second.pixels) pixel |= 0xAB0000;
  second.frames = 2;
  write_bytes(folder_ + "/room2.crm", second.bytes());
  text("credits.credits", "Wait(1);\n");
  text("room2.asc", "function room_Load() {\n  Wait(1);\n}\n");

  KeepFrames start, asked, none, scripted;
  play("credits.credits", start);
  EXPECT_EQ(start.frames[0].at(5, 3), 5u + 256 * 3);
  auto chosen = play("credits.credits", asked, [](PlayRequest &request) { request.room = 2; });
  EXPECT_EQ(asked.frames[0].at(5, 3), 0xAB0000u | (5 + 256 * 3));
  EXPECT_NE(said(*chosen).find("room 2 is animated (2 background frames): the previewer shows its first frame"),
            std::string::npos);
  play("credits.credits", none, [](PlayRequest &request) { request.no_room = true; });
  EXPECT_EQ(none.frames[0].at(5, 3), 0u);
  auto own = play("room2.asc", scripted);
  EXPECT_EQ(own->room_number(), 2);
  EXPECT_EQ(scripted.frames[0].at(5, 3), 0xAB0000u | (5 + 256 * 3));
}

TEST_F(Rooms, ARoomScriptPlaysItsAfterFadeInFunctionAndTheGameFindsItsOwnScript) {
  // Two functions reach the plug-in; the room's event list names the one
  // the engine runs once the room has faded in.
  write_bytes(folder_ + "/room2.crm",
              RoomWriter::numbered(320, 200, {"", "", "", "", "", "", "", "room_FadedIn"}).bytes());
  text("GlobalScript.asc", "function game_start() {\n  Wait(1);\n}\n");
  text("room2.asc",
       "string line;\n"
       "function other() {\n  StrCopy(line, \"other\");\n  SetCredit(1, 0, line, 0, 0, 15);\n  Wait(3);\n}\n"
       "function room_FadedIn() {\n  StrCopy(line, \"credits\");\n  SetCredit(1, 0, line, 0, 0, 15);\n  Wait(2);\n}\n");
  KeepFrames frames;
  auto flow = play("room2.asc", frames);
  EXPECT_EQ(flow->script().entry, "room_FadedIn");
  EXPECT_EQ(frames.frames.size(), 2u);

  // No script named: the game's scripts in order, the first that calls the
  // plug-in (the global script does not).
  KeepFrames own;
  auto found = play("", own);
  EXPECT_EQ(found->request().script_path, folder_ + "/room2.asc");
  EXPECT_EQ(found->script().entry, "room_FadedIn");
  EXPECT_EQ(found->room_number(), 2);
}
