// ShowStaticCredit: the plain style, the typewriter and its sounds, and how a
// single credit takes over from the other players.
#include "plugin_test.h"
#include "static_drawing.h"

class SingleCreditTest : public PluginTest {
 protected:
  // The text drawn on each frame ("-" for none) and the frames with a sound.
  struct Run {
    std::vector<std::string> texts;
    std::vector<int> sound_frames;
  };
  Run show(int id, int time, int style, int pace, int sound, int frames) {
    Run run;
    engine.clear_calls();
    ShowStaticCredit(1, id, time, style, pace, sound);
    collect(run, 0);
    for (int i = 1; i < frames; ++i) {
      engine.clear_calls();
      frame_tick();
      collect(run, i);
    }
    return run;
  }
  void collect(Run &run, int frame_number) const {
    const auto texts = engine.calls_of("DrawText");
    run.texts.push_back(texts.empty() ? "-" : texts.back().text);
    for (size_t i = 0; i < engine.sounds_played.size(); ++i) run.sound_frames.push_back(frame_number);
  }
  static std::vector<std::string> reveal(const std::string &text, int frames_per_letter, int total) {
    std::vector<std::string> shown;
    for (int frame = 0; frame < total; ++frame) {
      const size_t letters = std::min<size_t>(frame / frames_per_letter + 1, text.size());
      shown.push_back(text.substr(0, letters));
    }
    return shown;
  }
};

TEST_F(SingleCreditTest, PlainStyleDrawsAsTheSequenceWould) {
  SetStaticCredit(1, 5, "Ada [[ Bea", -1, -1, 0, 15);
  SetStaticCreditTitle(1, 5, "Cast", -1, 10, 0, 4);
  draw_static_credit(1, 5);
  const Draws expected = drawn();
  ASSERT_EQ(expected.size(), 3u);

  engine.clear_calls();
  ShowStaticCredit(1, 5, 100, 0, 0, 0);
  EXPECT_EQ(drawn(), expected);
  for (int i = 1; i <= 100; ++i) ASSERT_EQ(frame(), expected) << "frame " << i;
  EXPECT_EQ(frame(), Draws{});
  EXPECT_FALSE(playback.running);
  EXPECT_EQ(IsStaticSequenceFinished(1), 1);
  EXPECT_EQ(IsStaticSequenceFinished(1), 0);
}

TEST_F(SingleCreditTest, TypewriterOneLetterPerFrame) {
  SetStaticCredit(1, 1, "Hello", 10, 20, 0, 15);
  const Run run = show(1, 20, 1, 0, 3, 21);
  EXPECT_EQ(run.texts, reveal("Hello", 1, 21));
  EXPECT_EQ(run.sound_frames, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(engine.calls_of("DrawText").back().args[0], 10);
  EXPECT_EQ(playback.typewriter_letters, 20) << "the letter index goes on growing while the whole text stands";
}

TEST_F(SingleCreditTest, TextChangedWhileTypingShowsAsFarAsTheIndexHasCome) {
  SetStaticCredit(1, 1, "AB", 0, 0, 0, 15);
  Run run = show(1, 40, 1, 0, 7, 10);
  EXPECT_EQ(run.texts.back(), "AB");
  EXPECT_EQ(run.sound_frames, (std::vector<int>{0, 1}));

  // Longer: the letters the index has passed appear at once, the rest one a frame.
  SetStaticCredit(1, 1, "ABCDEFGHIJKLMNOP", 0, 0, 0, 15);
  for (int i = 10; i < 20; ++i) {
    engine.clear_calls();
    frame_tick();
    collect(run, i);
  }
  EXPECT_EQ(run.texts[10], "ABCDEFGHIJK");
  EXPECT_EQ(run.texts[15], "ABCDEFGHIJKLMNOP");
  EXPECT_EQ(run.sound_frames, (std::vector<int>{0, 1, 10, 11, 12, 13, 14, 15}));

  // Shorter: the whole shorter text at once, without a sound.
  SetStaticCredit(1, 1, "XY", 0, 0, 0, 15);
  engine.clear_calls();
  frame_tick();
  EXPECT_EQ(drawn().back(), "0,0:XY");
  EXPECT_TRUE(engine.sounds_played.empty());
}

TEST_F(SingleCreditTest, LetterIndexSaturatesInsteadOfWrapping) {
  SetStaticCredit(1, 1, "Hi", 0, 0, 0, 15);
  ShowStaticCredit(1, 1, 100, 1, 0, -1);
  playback.typewriter_letters = std::numeric_limits<int32_t>::max() - 1;
  frame();
  frame();
  EXPECT_EQ(playback.typewriter_letters, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(drawn().back(), "0,0:Hi");
}

TEST_F(SingleCreditTest, TypewriterEveryFourthFrame) {
  SetStaticCredit(1, 1, "Hello", 10, 20, 0, 15);
  const Run run = show(1, 30, 1, 3, 0, 31);
  EXPECT_EQ(run.texts, reveal("Hello", 4, 31));
  EXPECT_EQ(run.texts[15], "Hell");
  EXPECT_EQ(run.texts[16], "Hello");  // complete from (L - 1) x (pace + 1)
  EXPECT_EQ(run.sound_frames, (std::vector<int>{0, 4, 8, 12, 16}));
}

TEST_F(SingleCreditTest, FirstSoundPlaysInsideTheCall) {
  SetStaticCredit(1, 1, "Hi", 0, 0, 0, 15);
  ShowStaticCredit(1, 1, 5, 1, 0, 9);
  EXPECT_EQ(engine.sounds_played, std::vector<int>{9});
}

TEST_F(SingleCreditTest, SilentAndEmptyTypewriters) {
  SetStaticCredit(1, 1, "Hello", 0, 0, 0, 15);
  EXPECT_TRUE(show(1, 10, 1, 0, -1, 11).sound_frames.empty());
  const Run empty = show(2, 3, 1, 0, 4, 4);  // id 2 was never set
  EXPECT_EQ(empty.texts, std::vector<std::string>(4, ""));
  EXPECT_TRUE(empty.sound_frames.empty());
}

TEST_F(SingleCreditTest, ShortTimeCutsTheReveal) {
  SetStaticCredit(1, 1, "Hello", 0, 0, 0, 15);
  const Run run = show(1, 6, 1, 3, 2, 8);
  EXPECT_EQ(run.texts[6], "He");
  EXPECT_EQ(run.texts[7], "-");
  EXPECT_EQ(run.sound_frames, (std::vector<int>{0, 4}));
  EXPECT_EQ(IsStaticSequenceFinished(1), 1);
}

TEST_F(SingleCreditTest, CentredTypewriterKeepsItsLeftEdge) {
  SetStaticCredit(1, 1, "Hello", -1, -1, 0, 15);
  show(1, 10, 1, 0, -1, 1);
  for (int i = 0; i < 6; ++i) {
    const auto texts = engine.calls_of("DrawText");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].args[0], 145);
    EXPECT_EQ(texts[0].args[1], 95);
    frame();
  }
}

TEST_F(SingleCreditTest, TypewriterIgnoresTitleLineBreaksAndImages) {
  SetStaticCreditTitle(1, 1, "Title", 0, 0, 0, 15);
  SetStaticCredit(1, 1, "a[[b", 0, 0, 0, 15);
  SetStaticImage(1, 1, 5, 0, 0, 10);
  const Run run = show(1, 5, 1, 0, -1, 5);
  EXPECT_EQ(run.texts.back(), "a[[b");
  EXPECT_TRUE(engine.calls_of("BlitBitmap").empty());
}

TEST_F(SingleCreditTest, NegativePaceMeansOneLetterPerFrame) {
  SetStaticCredit(1, 1, "Hello", 0, 0, 0, 15);
  EXPECT_EQ(show(1, 10, 1, -5, -1, 6).texts, reveal("Hello", 1, 6));
}

TEST_F(SingleCreditTest, OtherStylesDrawNothingForTheirTime) {
  SetStaticCredit(1, 1, "Hello", 0, 0, 0, 15);
  const Run run = show(1, 3, 2, 0, 1, 4);
  EXPECT_EQ(run.texts, std::vector<std::string>(4, "-"));
  EXPECT_TRUE(playback.running);
  frame();
  EXPECT_FALSE(playback.running);
  EXPECT_EQ(IsStaticSequenceFinished(1), 1);
}

TEST_F(SingleCreditTest, NegativeTimeEndsAtOnce) {
  SetStaticCredit(1, 1, "Hello", 0, 0, 0, 15);
  ShowStaticCredit(1, 1, -1, 0, 0, 0);
  EXPECT_TRUE(engine.calls_of("DrawText").empty());
  EXPECT_FALSE(playback.running);
  EXPECT_EQ(IsStaticSequenceFinished(1), 1);
}

TEST_F(SingleCreditTest, TakesOverAScrollingSequence) {
  SetCredit(1, 1, "roll", 0, 0, 15);
  SequenceSettings(1, 50, -100, 0, 0, 0);
  RunCreditSequence(1);
  SetStaticCredit(1, 1, "single", 0, 0, 0, 15);
  ShowStaticCredit(1, 1, 2, 0, 0, 0);
  EXPECT_EQ(frame().back(), "0,0:single");
  frame();
  frame();
  EXPECT_FALSE(playback.running);
  EXPECT_EQ(IsSequenceFinished(1), 0) << "the replaced roll is not marked finished";
}

TEST_F(SingleCreditTest, TakesOverAStaticSequence) {
  SetStaticCredit(2, 1, "long one", 0, 0, 0, 15);
  RunStaticCreditSequence(2, 10);
  SetStaticCredit(1, 1, "single", 0, 0, 0, 15);
  ShowStaticCredit(1, 1, 1, 0, 0, 0);
  for (int i = 0; i < 3; ++i) frame();
  EXPECT_FALSE(playback.running);
  EXPECT_EQ(IsStaticSequenceFinished(2), 0);
  EXPECT_EQ(IsStaticSequenceFinished(1), 1);
}

TEST_F(SingleCreditTest, RunCallsStopASingleCredit) {
  SetStaticCredit(1, 1, "single", 0, 0, 0, 15);
  ShowStaticCredit(1, 1, 50, 0, 0, 0);
  RunStaticCreditSequence(1, 1);
  EXPECT_FALSE(playback.running);
  EXPECT_FALSE(playback.single_mode);
  RunStaticCreditSequence(1, 1);
  EXPECT_TRUE(playback.running);
  EXPECT_FALSE(playback.single_mode) << "the sequence plays, not the single credit";

  ShowStaticCredit(1, 1, 50, 0, 0, 0);
  RunCreditSequence(1);
  EXPECT_FALSE(playback.running);
  SequenceSettings(1, 50, -100, 0, 0, 0);
  RunCreditSequence(1);
  EXPECT_TRUE(playback.running);
  EXPECT_FALSE(playback.static_mode);
}

TEST_F(SingleCreditTest, NumbersOutOfRangeChangeNothing) {
  ShowStaticCredit(1, 101, 5, 0, 0, 0);
  ShowStaticCredit(3, 1, 5, 0, 0, 0);
  EXPECT_FALSE(playback.running);
  EXPECT_EQ(console(), (std::vector<std::string>{"ShowStaticCredit: id 101 is out of range (1 to 100); call ignored",
                                                 "ShowStaticCredit: sequence 3 is out of range (1 to 2); call ignored"}));
}
