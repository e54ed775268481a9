// The WPG interpreter: signature, state, record lengths, the ending rules, the
// pen and brush of a playback, tracing, and what a damaged file may not do.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "picture/wpg.h"
#include "shell/state.h"
#include "spectrum/messages.h"
#include "spectrum/pointlog.h"
#include "spectrum/settings.h"
#include "test_support.h"
#include "wpg_test_support.h"

namespace {

using Ops = std::vector<std::string>;

// What every playback does before its first record and after its last, when
// no attribute record replaced the pen or brush.
const Ops kSetUp = {"CreateSolidBrush(FFFFFF)=brush1", "SelectObject(brush1)", "CreatePen(SOLID,1,000000)=pen1",
                    "SelectObject(pen1)"};
const Ops kCleanUp = {"SelectObject(WHITE_BRUSH)", "DeleteObject(brush1)", "SelectObject(BLACK_PEN)",
                      "DeleteObject(pen1)"};

Ops Framed(const Ops& middle) {
  Ops all = kSetUp;
  all.insert(all.end(), middle.begin(), middle.end());
  all.insert(all.end(), kCleanUp.begin(), kCleanUp.end());
  return all;
}

// Every created object deleted, the stock pen and brush selected, no misuse.
void ExpectCleanCanvas(const RecordingCanvas& c) {
  EXPECT_EQ(c.errors, Ops{});
  EXPECT_EQ(c.Live(), Ops{});
  EXPECT_EQ(c.SelectedPen(), "BLACK_PEN");
  EXPECT_EQ(c.SelectedBrush(), "WHITE_BRUSH");
}

TEST(WpgSignatureTest, AcceptsExactlyTheFiveBytes) {
  std::vector<unsigned char> image = FortyByteDrawing();
  EXPECT_TRUE(IsWpgImage(image.data(), image.size()));
  for (int i : {4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15}) image[i] = 0xA5;
  EXPECT_TRUE(IsWpgImage(image.data(), image.size()));
  for (int b = 0; b < 256; ++b) {
    image[9] = static_cast<unsigned char>(b);
    EXPECT_EQ(IsWpgImage(image.data(), image.size()), b == 0x16) << b;
  }
  image[9] = 0x16;
  for (int i : {0, 1, 2, 3}) {
    std::vector<unsigned char> wrong = image;
    wrong[i] ^= 0x20;
    EXPECT_FALSE(IsWpgImage(wrong.data(), wrong.size())) << i;
  }
}

TEST(WpgSignatureTest, AFileShorterThanItsHeaderIsNoDrawing) {
  const std::vector<unsigned char> image = FortyByteDrawing();
  EXPECT_FALSE(IsWpgImage(image.data(), 15));
  EXPECT_TRUE(IsWpgImage(image.data(), 16));
  EXPECT_FALSE(IsWpgImage(nullptr, 40));
  // IsWpgFile looks at the file as read, and only as far as it was read.
  ResetProgram();
  LoadDrawing(image);
  EXPECT_EQ(IsWpgFile(), 1);
  FileBufferLength = 12;
  EXPECT_EQ(IsWpgFile(), 0);
  ResetProgram();
  EXPECT_EQ(IsWpgFile(), 0);
}

TEST(WpgStateTest, NewStateHoldsTheDefaultsAndBecomesCurrent) {
  ResetProgram();
  WPGSTATE* first = CreateWpgState();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(WpgState, first);
  WPGSTATE* s = CreateWpgState();  // replaces (and frees) the first
  ASSERT_EQ(WpgState, s);
  EXPECT_EQ(s->XScale, 0.0);
  EXPECT_EQ(s->YScale, 0.0);
  EXPECT_EQ(s->XOffset, 0);
  EXPECT_EQ(s->YOffset, 0);
  EXPECT_EQ(s->PageWidth, 10800);
  EXPECT_EQ(s->PageHeight, 7800);
  const std::uint32_t palette[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                     0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                     0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  const std::int32_t colorMap[16] = {0, 4, 2, 6, 1, 5, 3, 8, 7, 12, 10, 14, 9, 13, 11, 15};
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(s->Palette[i], palette[i]) << i;
    EXPECT_EQ(s->ColorMap[i], colorMap[i]) << i;
  }
  const std::uint8_t p7[8] = {0x01, 0x82, 0x44, 0x28, 0x10, 0x28, 0x44, 0x82};
  const std::uint8_t p17[8] = {0xFF, 0xFF, 0xDF, 0xFF, 0xFF, 0xFF, 0xFD, 0xFF};
  const std::uint8_t p25[8] = {0x44, 0x22, 0x11, 0x88, 0x44, 0x22, 0x11, 0x88};
  EXPECT_EQ(std::memcmp(s->FillPatterns[7], p7, 8), 0);
  EXPECT_EQ(std::memcmp(s->FillPatterns[17], p17, 8), 0);
  EXPECT_EQ(std::memcmp(s->FillPatterns[25], p25, 8), 0);
  int nonZeroPatterns = 0;
  for (int p = 0; p < 64; ++p) {
    bool any = false;
    for (int r = 0; r < 8; ++r) any = any || s->FillPatterns[p][r] != 0;
    if (any) ++nonZeroPatterns;
    if (p < 2 || p > 25) {
      EXPECT_FALSE(any) << p;
    }
  }
  EXPECT_EQ(nonZeroPatterns, 24);
  ResetProgram();
  EXPECT_EQ(WpgState, nullptr);
}

class WpgPlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgram();
    std::strcpy(SpectrumSettings.Name, dir_.file("out.dx").c_str());
    std::strcpy(PointLogCopy, dir_.file("points.txt").c_str());
    ReplaceExistingOutput = 1;
  }
  void TearDown() override {
    PointLogCopy[0] = '\0';
    ResetProgram();
  }
  // Plays `image` with Recording set and returns the point lines written.
  std::string Trace(const std::vector<unsigned char>& image, RecordingCanvas& c) {
    LoadDrawing(image);
    Recording = 1;
    PlayLoaded(c);
    return ReadText(dir_.file("points.txt"));
  }
  // Plays one record directly at scale 1 and offset 0, so that the drawn
  // coordinates are the record's own.
  std::uint8_t ReadOne(RecordingCanvas& c, const std::vector<unsigned char>& image, WPGCURSOR& cursor) {
    cursor = {image.data(), image.size(), kWpgStreamStart};
    return ReadWpgRecord(c, cursor, 1.0, 1.0, 0, 0);
  }

  TempDir dir_;
};

TEST_F(WpgPlaybackTest, FortyByteFileDrawsTheDiagonalOfTheDisplayRect) {
  LoadDrawing(FortyByteDrawing(), 1000, 500);
  RecordingCanvas c;
  PlayLoaded(c);
  // Bottom left to top right of DisplayRect (167, 10, 833, 490).
  EXPECT_EQ(c.ops, Framed({"MoveToEx(167,490)", "LineTo(833,10)"}));
  ExpectCleanCanvas(c);
  EXPECT_EQ(CurrentPen, nullptr);
  EXPECT_EQ(CurrentBrush, nullptr);
}

TEST_F(WpgPlaybackTest, FortyByteFileTracesToExactlyTwoPointLines) {
  RecordingCanvas c;
  EXPECT_EQ(Trace(FortyByteDrawing(), c), "0 0\n10800 7800\n");
  EXPECT_EQ(Recording, 0);
  EXPECT_EQ(PointLogFile, qio::kInvalid);
  EXPECT_EQ(PointCount, 2);
  EXPECT_TRUE(FileExists(SpectrumSettings.Name));
  // The same playback draws as it traces.
  EXPECT_EQ(c.OpsStartingWith("LineTo"), Ops{"LineTo(833,10)"});
  ExpectCleanCanvas(c);
}

TEST_F(WpgPlaybackTest, WordLengthFormPutsTheDataFourBytesOn) {
  WpgWriter w;
  w.bytes.insert(w.bytes.end(), {5, 255, 0x08, 0x00, 1, 0, 2, 0, 3, 0, 4, 0});
  w.Line(9, 9, 9, 9);
  RecordingCanvas c;
  WPGCURSOR cursor;
  EXPECT_EQ(ReadOne(c, w.bytes, cursor), 5);
  EXPECT_EQ(cursor.Position, kWpgStreamStart + 12);
  EXPECT_EQ(c.ops, (Ops{"MoveToEx(1,2)", "LineTo(3,4)"}));
}

TEST_F(WpgPlaybackTest, LongLengthFormCarriesBitFifteenAndASecondWord) {
  // 0x8001 then 2: 65538 bytes, a polyline of 16384 16-bit vertices.
  std::vector<std::pair<int, int>> v;
  for (int i = 0; i < 16384; ++i) v.push_back({i, -i});
  WpgWriter w;
  w.Poly16(6, v);
  ASSERT_EQ(std::vector<unsigned char>(w.bytes.begin() + 16, w.bytes.begin() + 22),
            (std::vector<unsigned char>{6, 255, 0x01, 0x80, 0x02, 0x00}));
  w.End();
  RecordingCanvas c;
  WPGCURSOR cursor;
  EXPECT_EQ(ReadOne(c, w.bytes, cursor), 6);
  EXPECT_EQ(cursor.Position, kWpgStreamStart + 6 + 65538);
  ASSERT_EQ(c.ops.size(), 1u);
  EXPECT_EQ(c.ops[0].substr(0, 25), "Polyline(0,0 1,-1 2,-2 3,");
  EXPECT_NE(c.ops[0].find(" 16383,-16383)"), std::string::npos);
}

TEST_F(WpgPlaybackTest, OnlyTypesOneToTwentySevenButSixteenLetThePlaybackGoOn) {
  for (int t = 0; t < 256; ++t) {
    WpgWriter w;
    w.Record(static_cast<std::uint8_t>(t), {0, 0}).Line(1000, 1000, 2000, 2000).End();
    LoadDrawing(w.bytes);
    RecordingCanvas c;
    PlayLoaded(c);
    const bool goesOn = t >= 1 && t <= 27 && t != 16;
    EXPECT_EQ(c.OpsStartingWith("LineTo").size(), goesOn ? 1u : 0u) << "type " << t;
    EXPECT_EQ(c.errors, Ops{}) << "type " << t;
    EXPECT_EQ(c.Live(), Ops{}) << "type " << t;
  }
}

TEST_F(WpgPlaybackTest, EndRecordFirstStillMakesAndDeletesThePenAndBrush) {
  WpgWriter w;
  w.End().Line(0, 0, 10800, 7800);
  LoadDrawing(w.bytes);
  RecordingCanvas c;
  PlayLoaded(c);
  EXPECT_EQ(c.ops, Framed({}));
  ExpectCleanCanvas(c);
}

TEST_F(WpgPlaybackTest, AStreamWithoutEndRecordStopsAtTheEndOfTheData) {
  WpgWriter w;
  w.Line(0, 0, 10800, 7800);
  LoadDrawing(w.bytes);
  RecordingCanvas c;
  PlayLoaded(c);
  EXPECT_EQ(c.ops, Framed({"MoveToEx(167,490)", "LineTo(833,10)"}));
}

TEST_F(WpgPlaybackTest, AttributeRecordsReplaceThePenAndBrushSelectingBeforeDeleting) {
  WpgWriter w;
  w.Fill(1, 12).Pen(1, 9).Fill(0, 3).Pen(0, 4).Fill(255, 2).Fill(2, 0).End();
  LoadDrawing(w.bytes);
  RecordingCanvas c;
  PlayLoaded(c);
  EXPECT_EQ(c.ops, (Ops{"CreateSolidBrush(FFFFFF)=brush1", "SelectObject(brush1)",
                        "CreatePen(SOLID,1,000000)=pen1", "SelectObject(pen1)",
                        "CreateSolidBrush(0000FF)=brush2", "SelectObject(brush2)", "DeleteObject(brush1)",
                        "CreatePen(SOLID,1,FF0000)=pen2", "SelectObject(pen2)", "DeleteObject(pen1)",
                        "CreateHollowBrush()=brush3", "SelectObject(brush3)", "DeleteObject(brush2)",
                        "CreatePen(NULL,1,000080)=pen3", "SelectObject(pen3)", "DeleteObject(pen2)",
                        "CreateSolidBrush(FFFFFF)=brush4", "SelectObject(brush4)", "DeleteObject(brush3)",
                        "CreateSolidBrush(FFFFFF)=brush5", "SelectObject(brush5)", "DeleteObject(brush4)",
                        "SelectObject(WHITE_BRUSH)", "DeleteObject(brush5)", "SelectObject(BLACK_PEN)",
                        "DeleteObject(pen3)"}));
  ExpectCleanCanvas(c);
}

TEST_F(WpgPlaybackTest, ColourIndicesBeyondThePaletteGiveBlack) {
  WpgWriter w;
  w.Pen(1, 16).Fill(1, 255).Pen(3, 15).End();
  LoadDrawing(w.bytes);
  RecordingCanvas c;
  PlayLoaded(c);
  EXPECT_EQ(c.OpsStartingWith("Create"), (Ops{"CreateSolidBrush(FFFFFF)=brush1", "CreatePen(SOLID,1,000000)=pen1",
                                              "CreatePen(SOLID,1,000000)=pen2", "CreateSolidBrush(000000)=brush2",
                                              "CreatePen(SOLID,1,FFFFFF)=pen3"}));
}

TEST_F(WpgPlaybackTest, AttributeWhoseObjectCannotBeMadeKeepsTheCurrentOne) {
  WpgWriter w;
  w.Pen(1, 12).Fill(1, 12).Line(0, 0, 10800, 7800).End();
  LoadDrawing(w.bytes);
  RecordingCanvas c;
  c.onOp = [&c](const std::string& op) {
    if (op == "SelectObject(pen1)") c.failCreations = true;
    if (op == "MoveToEx(167,490)") c.failCreations = false;
  };
  PlayLoaded(c);
  EXPECT_EQ(c.ops, Framed({"CreatePen(SOLID,1,0000FF)=null", "CreateSolidBrush(0000FF)=null", "MoveToEx(167,490)",
                           "LineTo(833,10)"}));
  ExpectCleanCanvas(c);
}

TEST_F(WpgPlaybackTest, OnlyLinesPolylinesAndPolygonsAreTraced) {
  WpgWriter w;
  w.Start32(10800, 7800)
      .Fill(1, 4)
      .Pen(1, 0)
      .Line(5, 6, 7, 8)
      .Record(7, {1, 2, 3, 4, 5, 6, 7, 8})  // a rectangle: skipped
      .Ellipse(5400, 3900, 100, 100, 0, 0, 360)
      .Line(9, 9, 9, 9)
      .Poly16(6, {{-3, 40000}, {10, -20}})
      .Poly32(8, {{100000, -7}, {3, 70000}, {-2000000000, 2}})
      .Poly16(6, {})
      .Poly32(8, {})
      .End()
      .Line(1, 1, 1, 1);
  RecordingCanvas c;
  // 40000 in a 16-bit vertex is -25536: real drawings store signed values.
  EXPECT_EQ(Trace(w.bytes, c),
            "5 6\n7 8\n9 9\n9 9\n-3 -25536\n10 -20\n100000 -7\n3 70000\n-2000000000 2\n");
  EXPECT_EQ(PointCount, 9);
  ExpectCleanCanvas(c);
}

TEST_F(WpgPlaybackTest, ZeroVertexPolylinesAndPolygonsDrawNothing) {
  WpgWriter w;
  w.Poly16(6, {}).Poly16(8, {}).End();
  LoadDrawing(w.bytes);
  RecordingCanvas c;
  PlayLoaded(c);
  EXPECT_EQ(c.ops, Framed({}));
}

TEST_F(WpgPlaybackTest, VertexLayoutFollowsTheRecordLength) {
  // Three vertices in 24 bytes are 32-bit pairs; six in 24 bytes 16-bit ones.
  std::vector<unsigned char> d = WpgWriter::Le16(3);
  for (int v : {1, 2, 3, 4, 5, 6}) d = WpgWriter::Cat({d, WpgWriter::Le32(v)});
  std::vector<unsigned char> six = d;
  six[0] = 6;
  WpgWriter w;
  w.Record(6, d).Record(6, six);
  // Lengths that fit neither layout are not carried out; the playback goes on.
  std::vector<unsigned char> odd = WpgWriter::Cat({WpgWriter::Le16(1), {1, 0, 2, 0, 9}});
  std::vector<unsigned char> twoShort = WpgWriter::Cat({WpgWriter::Le16(2), {1, 0, 2, 0}});
  w.Record(6, odd).Record(8, twoShort).Record(6, {7}).Line(1, 2, 3, 4).End();
  RecordingCanvas c;
  WPGCURSOR cursor = {w.bytes.data(), w.bytes.size(), kWpgStreamStart};
  while (!cursor.AtEnd() && ReadWpgRecord(c, cursor, 1.0, 1.0, 0, 0) != 16) {
  }
  EXPECT_EQ(c.ops, (Ops{"Polyline(1,2 3,4 5,6)", "Polyline(1,0 2,0 3,0 4,0 5,0 6,0)", "MoveToEx(1,2)", "LineTo(3,4)"}));
}

TEST_F(WpgPlaybackTest, ARecordReachingPastTheEndIsNotCarriedOutAndEndsThePlayback) {
  WpgWriter w;
  w.Line(0, 0, 10800, 7800).Line(100, 100, 200, 200).End();
  // The second line loses its last byte and the end record.
  std::vector<unsigned char> image(w.bytes.begin(), w.bytes.end() - 3);
  LoadDrawing(image);
  RecordingCanvas c;
  PlayLoaded(c);
  EXPECT_EQ(c.ops, Framed({"MoveToEx(167,490)", "LineTo(833,10)"}));

  // A polyline whose vertex count needs more than the file holds.
  WpgWriter p;
  p.Line(0, 0, 10800, 7800);
  p.bytes.insert(p.bytes.end(), {6, 255, 0x0A, 0x00, 0x02, 0x00, 1, 0, 1, 0});
  LoadDrawing(p.bytes);
  RecordingCanvas c2;
  Recording = 1;
  PlayLoaded(c2);
  EXPECT_EQ(c2.OpsStartingWith("Polyline"), Ops{});
  EXPECT_EQ(ReadText(dir_.file("points.txt")), "0 0\n10800 7800\n");
}

TEST_F(WpgPlaybackTest, LengthFieldsCutShortEndThePlayback) {
  const std::vector<std::vector<unsigned char>> tails = {
      {5}, {5, 255}, {5, 255, 8}, {5, 255, 0x00, 0x80}, {5, 255, 0x00, 0x80, 0x08}, {5, 255, 0x00, 0x80, 0x08, 0x00}};
  for (const auto& tail : tails) {
    WpgWriter w;
    w.Line(0, 0, 10800, 7800);
    w.bytes.insert(w.bytes.end(), tail.begin(), tail.end());
    LoadDrawing(w.bytes);
    RecordingCanvas c;
    PlayLoaded(c);
    EXPECT_EQ(c.ops, Framed({"MoveToEx(167,490)", "LineTo(833,10)"})) << tail.size();
  }
}

// A drawing with every kind of record the interpreter carries out.
std::vector<unsigned char> MixedDrawing() {
  WpgWriter w;
  w.Start16(10800, 7800)
      .Fill(1, 2)
      .Pen(1, 1)
      .Line(10, 20, 30000, 7000)
      .Poly16(6, {{0, 0}, {500, 900}, {1000, -300}})
      .Poly16(8, {{100, 100}, {900, 100}, {500, 800}})
      .Ellipse(5400, 3900, 1000, 600, 0, 30, 200)
      .Ellipse(5400, 3900, 1000, 600, 0, 0, 360)
      .Poly32(6, {{1, 2}, {3, 4}})
      .Record(11, std::vector<unsigned char>(300, 0x55))
      .Fill(0, 0)
      .Pen(0, 0)
      .Line(1, 1, 2, 2)
      .End();
  return w.bytes;
}

TEST_F(WpgPlaybackTest, EveryCutOfADrawingDrawsAPrefixOfItsOperations) {
  const std::vector<unsigned char> full = MixedDrawing();
  LoadDrawing(full);
  RecordingCanvas whole;
  PlayLoaded(whole);
  ExpectCleanCanvas(whole);
  const Ops drawn(whole.ops.begin(), whole.ops.end() - 4);
  for (size_t n = 16; n < full.size(); ++n) {
    LoadDrawing(std::vector<unsigned char>(full.begin(), full.begin() + static_cast<long>(n)));
    RecordingCanvas c;
    PlayLoaded(c);
    ASSERT_GE(c.ops.size(), 4u) << n;
    ASSERT_LE(c.ops.size() - 4, drawn.size()) << n;
    EXPECT_TRUE(std::equal(c.ops.begin(), c.ops.end() - 4, drawn.begin())) << "cut at " << n;
    EXPECT_EQ(c.errors, Ops{}) << n;
    EXPECT_EQ(c.Live(), Ops{}) << n;
  }
}

TEST_F(WpgPlaybackTest, DamagedBytesNeverLeaveAnObjectBehind) {
  // Random damage to a valid drawing: whatever the bytes say, the playback
  // stays inside the file (the sanitizers watch) and cleans up after itself.
  const std::vector<unsigned char> full = MixedDrawing();
  std::mt19937 random(20240605);
  for (int round = 0; round < 1500; ++round) {
    std::vector<unsigned char> image = full;
    const int hits = 1 + static_cast<int>(random() % 6);
    for (int h = 0; h < hits; ++h) image[16 + random() % (image.size() - 16)] = static_cast<unsigned char>(random());
    if (round % 3 == 0) image.resize(16 + random() % (image.size() - 16));
    LoadDrawing(image);
    RecordingCanvas c;
    PlayLoaded(c);
    ASSERT_EQ(c.errors, Ops{}) << round;
    ASSERT_EQ(c.Live(), Ops{}) << round;
  }
}

TEST_F(WpgPlaybackTest, APaintDuringTheTraceOnlyDraws) {
  WpgWriter w;
  w.Fill(1, 12).Pen(1, 4).Line(0, 0, 10800, 7800).Poly16(6, {{1, 2}, {3, 4}}).End();
  LoadDrawing(w.bytes);
  RecordingCanvas paint;
  RecordingCanvas trace;
  int nested = 0;
  // The window is painted while the conversion's playback is at its first line.
  trace.onOp = [&](const std::string& op) {
    if (op == "LineTo(833,10)" && nested++ == 0) {
      EXPECT_EQ(Recording, 1);
      PlayLoaded(paint);
      EXPECT_EQ(Recording, 1);
    }
  };
  Recording = 1;
  PlayLoaded(trace);
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(ReadText(dir_.file("points.txt")), "0 0\n10800 7800\n1 2\n3 4\n");
  EXPECT_EQ(Recording, 0);
  EXPECT_EQ(PointLogFile, qio::kInvalid);
  // Both playbacks drew everything and left nothing behind; the trace went on
  // with its own pen and brush after the paint.
  EXPECT_EQ(paint.OpsStartingWith("Polyline"), Ops{"Polyline(167,489 167,489)"});
  EXPECT_EQ(trace.OpsStartingWith("Polyline"), Ops{"Polyline(167,489 167,489)"});
  ExpectCleanCanvas(paint);
  ExpectCleanCanvas(trace);
}

TEST_F(WpgPlaybackTest, APaintWhileTheSpectrumIsWrittenOnlyDraws) {
  // A message of the spectrum write runs a modal loop, which paints the window.
  static RecordingCanvas* paint = nullptr;
  static int seen = 0;
  RecordingCanvas painted;
  paint = &painted;
  seen = 0;
  SpectrumSettings.SI = 0;  // the write refuses and says so
  MessageSink previous = SetMessageSink([](int, int, int) {
    ++seen;
    EXPECT_EQ(PointLogFile == qio::kInvalid, false);
    PlayLoaded(*paint);
  });
  LoadDrawing(FortyByteDrawing());
  RecordingCanvas trace;
  Recording = 1;
  PlayLoaded(trace);
  SetMessageSink(previous);
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(PointCount, 2);
  EXPECT_EQ(ReadText(dir_.file("points.txt")), "0 0\n10800 7800\n");
  EXPECT_EQ(painted.OpsStartingWith("LineTo"), Ops{"LineTo(833,10)"});
  EXPECT_EQ(Recording, 0);
  ExpectCleanCanvas(painted);
  ExpectCleanCanvas(trace);
}

TEST_F(WpgPlaybackTest, TraceReturnsWhetherASpectrumWasWritten) {
  LoadDrawing(FortyByteDrawing());
  NullCanvas canvas;
  EXPECT_NE(TraceWpg(canvas, WpgState->XScale, WpgState->YScale, WpgState->XOffset, WpgState->YOffset), 0);
  EXPECT_EQ(Recording, 0);
  // Nothing traced: no spectrum, and the user is told why.
  WpgWriter w;
  w.Ellipse(1, 1, 1, 1, 0, 0, 360).End();
  LoadDrawing(w.bytes);
  MessageCapture messages;
  EXPECT_EQ(TraceWpg(canvas, WpgState->XScale, WpgState->YScale, WpgState->XOffset, WpgState->YOffset), 0);
  EXPECT_EQ(messages.ids(), std::vector<int>{IDS_NO_CURVE});
}

}  // namespace
