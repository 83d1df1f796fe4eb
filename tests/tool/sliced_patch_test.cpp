#include "sliced_patch.h"

#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "patch_workers.h"
#include "session.h"
#include "skin_text.h"
#include "support/host_objects.h"

namespace quenloft_tool {
namespace {

using quenloft::testing::HostString;
using quenloft::testing::RecordingHost;

// What patching a text gives a host: the output, and the messages and
// diagnostics (their lines and columns in the whole text) in order.
struct Outcome {
  std::string output;
  std::vector<std::string> messages;
  bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
  out << "output [" << outcome.output << "] messages [";
  for (const std::string& message : outcome.messages) out << message << "|";
  return out << "]";
}

// The one piece of the texts below that assigns a global.
constexpr std::string_view kAssigningGlobal = ";%g$$ += 'y'%;";

class SlicedPatch : public ::testing::Test {
 protected:
  void SetUp() override {
    host_.listens = true;
    host_.shift = ShiftToFile;  // as the tool's hosts do
    ASSERT_TRUE(Open(&session_, &host_));
  }
  void TearDown() override {
    slices_.reset();
    workers_.reset();
    diagnostics_ = nullptr;
    session_.Close();
    EXPECT_EQ(host_.count(), 1) << "every reference to the host given back";
  }

  // The values every manager starts with, as a build opens them.
  static bool Open(Session* session, ITplHostCallback* host) {
    std::string error;
    if (!session->Open(host, &error)) return false;
    session->SetSystemValue("System.Title", "T");
    return session->SetVariables({{"a$$", "alpha"}, {"b$$", "%%%b$$%%%"}, {"g$$", "G"}});
  }

  // Every run starts from managers that hold the values they were opened
  // with: after a text that assigns a global (one piece does), a fresh
  // one. The worker's never changes: it patches only slices that stand
  // alone.
  void Reset(const std::string& text) {
    if (assigned_.find(kAssigningGlobal) != std::string::npos) {
      session_.Close();
      ASSERT_TRUE(Open(&session_, &host_));
    }
    assigned_ = text;
    host_.Forget();
  }

  // Two workers whose managers hold the same values, as a build opens
  // them; what the library tells them goes to the host through the host's
  // own interfaces.
  SliceHelper* Worker() {
    if (!slices_) {
      workers_ = std::make_unique<PatchWorkers>(unused_output_);
      EXPECT_TRUE(workers_->Start(2, Open));
      diagnostics_ = quenloft::ComPtr<ITplHostCallback>::retain(&host_).query<ITplDiagnostics>();
      slices_ = std::make_unique<SlicesOnWorkers>(workers_.get(), &host_, diagnostics_.get());
    }
    return slices_.get();
  }

  // Through a patched-file object and a string object of the host's own.
  Outcome Whole(const std::string& text, const std::string& name) {
    Reset(text);
    const auto services =
        quenloft::ComPtr<ITplManager>::retain(session_.manager()).query<ITplMacroServices>();
    quenloft::ComPtr<ITplPatchedFile> file;
    EXPECT_EQ(services->CreatePatchedFile(file.put()), 0);
    file->SetText(text.c_str());
    file->AttachFileName(name.c_str());
    HostString out;
    EXPECT_EQ(file->Patch(&out), 0);
    return {out.text(), host_.events};
  }

  // With the survey's slices, or (`cut`) slices cut while it is patched.
  Outcome Sliced(std::string text, const std::string& name, size_t slice_size,
                 SliceHelper* helper = nullptr, bool cut = false) {
    Reset(text);
    Outcome outcome;
    bool library_failed = true;
    const std::string before = text;
    const SliceSink sink = [&](std::string_view bytes) {
      outcome.output.append(bytes);
      return true;
    };
    if (cut) {
      SliceCutter cutter(before, *MarkerStyleOfName(name), slice_size);
      EXPECT_TRUE(PatchInSlices(session_.manager(), text.data(), name, &cutter, sink,
                                &library_failed, helper));
    } else {
      EXPECT_TRUE(PatchInSlices(session_.manager(), text.data(), text.size(), name,
                                SurveyText(text, name, slice_size).slices, sink,
                                &library_failed, helper));
    }
    EXPECT_FALSE(library_failed);
    EXPECT_EQ(text, before) << "the text is given back as it came";
    outcome.messages = host_.events;
    return outcome;
  }

  RecordingHost host_;
  Session session_;  // after the host: closed before it goes
  OutputFolder unused_output_{"/nowhere/", "/nowhere/"};  // the workers write no file here
  std::unique_ptr<PatchWorkers> workers_;
  quenloft::ComPtr<ITplDiagnostics> diagnostics_;
  std::unique_ptr<SlicesOnWorkers> slices_;
  std::string assigned_;  // the text of the last run
};

// Pieces whose mix covers the cut rule: markers of every row, escapes,
// openings that stay text, openings inside markers, halves of delimiters,
// statements the library cannot resolve (messages) and functions.
const std::vector<std::string> kPieces = {
    "plain text ", "\n", "%", "%%", "\\", "\\%", "<!--", "<!--%", "/*%", ";%", "%;", "%*/",
    "%-->", "%%%", "%%%a$$%%%", "<!--%a$$%-->", "/*%a$$%*/", ";%a$$%;", "<!--%b$$%-->",
    "<!--%Concat(a$$, '\\%-->')%-->", "/*%Concat('\\\\', a$$)%*/", ";%'it\\'s'%;",
    "<!--%nope$$%-->", "%%%Nope(1)%%%", "/*%x = 'q'; Concat(x, x)%*/", "<!--%%%%a$$%%%-->",
    "<!--%a$$ <!--% b$$%-->", "%%%\\%%%%", ";%\\\"%;", "<!--%System.Title%-->", "\\\\%%%a$$%%%",
    // Names without "$" live for one marker: a later marker that reads one
    // without assigning it, an assignment whose right side fails, names
    // that differ by case, quoted text that only looks like an assignment.
    "<!--%cmp = CompareString('==', a$$, 'alpha'); AssignString(cmp, 'y', 'n')%-->",
    "<!--%AssignString(cmp, 'y', 'n')%-->", "/*%cmp = Nope(a$$); Concat(cmp, 'x')%*/",
    ";%CMP = 'upper'; Concat(cmp, CMP)%;", "%%%Concat('cmp = 1', cmp)%%%", "<!--%Cmp%-->",
    // Last, for some rounds only: assignments seen by later markers; from
    // the slice of the first one on, the rest of the file is one piece.
    "<!--%t$ = Concat(t$, 'x')%-->", "/*%t$%*/", std::string(kAssigningGlobal), "%%%g$$%%%",
    "Transform plain text ",
};

constexpr size_t kAssigningPieces = 5;

std::string Generate(std::mt19937& random, size_t pieces, bool assignments) {
  std::uniform_int_distribution<size_t> pick(
      0, kPieces.size() - 1 - (assignments ? 0 : kAssigningPieces));
  std::string text;
  for (size_t i = 0; i < pieces; ++i) text += kPieces[pick(random)];
  return text;
}

// Every file type, slices from one byte (a cut after every marker) up:
// the same output and the same messages in the same order as the whole.
TEST_F(SlicedPatch, SlicesGiveWhatTheWholeFileGives) {
  std::mt19937 random(20261207);
  for (const char* name : {"/out/p.htm", "/out/s.JS", "/out/c.ini", "/out/t.txt", "/out/x"}) {
    for (int round = 0; round < 60; ++round) {
      const std::string text = Generate(random, 1 + round * 3, round % 3 == 2);
      const Outcome whole = Whole(text, name);
      for (const size_t slice_size : {1, 2, 5, 16, 64}) {
        ASSERT_EQ(Sliced(text, name, slice_size), whole)
            << name << " slices of " << slice_size << " of [" << text << "]";
        // Slices on the workers' managers: told in document order.
        ASSERT_EQ(Sliced(text, name, slice_size, Worker()), whole)
            << name << " slices of " << slice_size << " on workers of [" << text << "]";
        // Cut while patched: either type is never cut; two sizes suffice.
        if (!MarkerStyleOfName(name) || (slice_size != 1 && slice_size != 16)) continue;
        ASSERT_EQ(Sliced(text, name, slice_size, nullptr, true), whole)
            << name << " cut in slices of " << slice_size << " of [" << text << "]";
        ASSERT_EQ(Sliced(text, name, slice_size, Worker(), true), whole)
            << name << " cut in slices of " << slice_size << " on workers of [" << text << "]";
      }
    }
  }
}

// A helper that never begins a job: every slice comes back.
class IdleHelper final : public SliceHelper {
 public:
  void Submit(SliceJob*) override { ++submitted; }
  bool Withdraw(const SliceJob&) override { return true; }
  void Wait(const SliceJob&) override { ADD_FAILURE() << "waited for a withdrawn job"; }
  void Tell(const KeptReports&, TextOrigin) override { ADD_FAILURE() << "told a withdrawn job"; }
  int submitted = 0;
};

// A helper whose worker has each job done before Submit returns: none
// comes back.
class EagerHelper final : public SliceHelper {
 public:
  explicit EagerHelper(SliceHelper* worker) : worker_(worker) {}
  void Submit(SliceJob* job) override {
    worker_->Submit(job);
    worker_->Wait(*job);
  }
  bool Withdraw(const SliceJob&) override { return false; }
  void Wait(const SliceJob&) override {}
  void Tell(const KeptReports& told, TextOrigin slice) override { worker_->Tell(told, slice); }

 private:
  SliceHelper* worker_;
};

// Whether the helper has begun a slice or not, the sink and the host hear
// what the whole file gives.
TEST_F(SlicedPatch, HandedSlicesComeBackOrAreToldInOrder) {
  std::mt19937 random(7);
  IdleHelper idle;
  EagerHelper eager(Worker());
  for (int round = 0; round < 20; ++round) {
    const std::string text = Generate(random, 10 + round * 5, round % 2 == 1);
    const Outcome whole = Whole(text, "/out/p.htm");
    for (const size_t slice_size : {1, 7}) {
      for (const bool cut : {false, true}) {
        ASSERT_EQ(Sliced(text, "/out/p.htm", slice_size, &idle, cut), whole) << text;
        ASSERT_EQ(Sliced(text, "/out/p.htm", slice_size, &eager, cut), whole) << text;
      }
    }
  }
  EXPECT_GT(idle.submitted, 20);
}

// Cases where a cut in the wrong place shows: a marker that ends only far
// away, an opening whose marker would not fit, an escape at a slice's end.
TEST_F(SlicedPatch, CutsFollowTheLibrarysParse) {
  const std::vector<std::string> texts = {
      "<!--%a$$" + std::string(100, 'x') + "%-->tail<!--%a$$%-->",
      "<!--%a$$%-->;%a$$%;/*%a$$%*/",          // rows of other types stay text
      "<!--%a$$\\%--><!--%a$$%-->",            // the escape hides the first closing
      "<!--%a$$%--><!--%a$$ <!--%b$$%-->%-->",  // an opening inside a marker
      "x%%%a$$%%%%%%a$$%%%y%%%%%",              // the last opening cannot fit
      "<!--%nope$$%--><!--%<!--%%-->%-->",
      // The scan goes on two bytes after an opening that stays text: the
      // "%%%" inside it starts nothing.
      ";%%%a$$%%% then %%%a$$%%%",
  };
  for (const std::string& text : texts) {
    for (const char* name : {"/out/p.html", "/out/p.ini"}) {
      const Outcome whole = Whole(text, name);
      for (const size_t slice_size : {1, 3, 8}) {
        EXPECT_EQ(Sliced(text, name, slice_size), whole) << name << " " << text;
        EXPECT_EQ(Sliced(text, name, slice_size, Worker(), true), whole) << name << " " << text;
      }
    }
  }
}

// A sink that refuses stops the patching, and it is not the library's
// failure.
TEST_F(SlicedPatch, RefusingSinkStops) {
  std::string text = "<!--%a$$%-->one<!--%a$$%-->two<!--%a$$%-->three<!--%a$$%-->";
  for (SliceHelper* helper : {static_cast<SliceHelper*>(nullptr), Worker()}) {
    SCOPED_TRACE(helper == nullptr ? "one thread" : "two threads");
    for (const int accepted : {0, 1, 2}) {
      int calls = 0;
      const SliceSink sink = [&](std::string_view) { return ++calls <= accepted; };
      bool library_failed = true;
      EXPECT_FALSE(PatchInSlices(session_.manager(), text.data(), text.size(), "/out/p.htm",
                                 SurveyText(text, "/out/p.htm", 1).slices, sink,
                                 &library_failed, helper));
      EXPECT_EQ(calls, accepted + 1);
      EXPECT_FALSE(library_failed);
      calls = 0;
      SliceCutter cutter(text, quenloft::MarkerStyleMarkup, 1);
      EXPECT_FALSE(PatchInSlices(session_.manager(), text.data(), "/out/p.htm", &cutter, sink,
                                 &library_failed, helper));
      EXPECT_EQ(calls, accepted + 1);
      EXPECT_FALSE(library_failed);
    }
  }
}

// Whether patching may change a text, and another file's patching, by the
// markers the library parses: text outside them is never evaluated.
TEST(SurveyText, MarkersDecide) {
  struct Row {
    std::string text;
    const char* name;
    bool markers, reaches_out;
  };
  const Row rows[] = {
      {"<!--%a$$%-->", "p.htm", true, false},
      {"<!--%a$$ and no closing", "p.htm", false, false},
      {"/*%a$$%*/ is text in markup", "p.htm", false, false},
      {"LoadFromFile in text, g$$ = 1 too <!--%a$$%-->", "p.htm", true, false},
      {"<!--%a$$%--> <!--%LoadFromFile('x.htm', 'HostItself')%-->", "p.htm", true, true},
      {"%%%g$$ = 'x'%%%", "p", true, true},
      {"%%%t$ = 'x'%%% %%%cmp = 'y'; cmp%%%", "p.txt", true, false},
      {std::string("<!--%g$$ = 'x'%-->\0", 19), "p.htm", false, false},
      {"", "p.htm", false, false},
      // Either type: the looser looks over the whole text.
      {"<!--%a$$ and no closing", ".htm", true, false},
      {"<!--%a$$%--> Transform", ".htm", true, true},
  };
  for (const Row& row : rows) {
    const TextSurvey survey = SurveyText(row.text, row.name, 0);
    EXPECT_EQ(survey.may_hold_markers, row.markers) << row.text;
    EXPECT_EQ(survey.may_affect_other_files, row.reaches_out) << row.text;
    EXPECT_TRUE(survey.slices.empty()) << row.text;
  }
}

// Slices end after a marker once they reach their size, while they stand
// alone; from the first marker that may reach past itself, one piece.
TEST(SurveyText, SlicesUpToTheFirstReachingMarker) {
  const std::string text = "ab%%%a$$%%%cd%%%a$$%%%%%%t$ = 1%%%ef%%%a$$%%%gh";
  const std::vector<Slice> slices = SurveyText(text, "p", 4).slices;
  ASSERT_EQ(slices.size(), 3u);
  EXPECT_EQ(text.substr(slices[0].begin, slices[0].end - slices[0].begin), "ab%%%a$$%%%");
  EXPECT_EQ(text.substr(slices[1].begin, slices[1].end - slices[1].begin), "cd%%%a$$%%%");
  EXPECT_EQ(text.substr(slices[2].begin), "%%%t$ = 1%%%ef%%%a$$%%%gh");
  EXPECT_TRUE(slices[0].alone && slices[1].alone);
  EXPECT_FALSE(slices[2].alone);
  EXPECT_EQ(slices[2].end, text.size());
  EXPECT_TRUE(SurveyText(text, ".htm", 4).slices.empty());  // either type: one piece
  EXPECT_TRUE(SurveyText("%%%t$ = 1%%% %%%a$$%%%", "p", 1).slices.empty());
}

// Slices cut while a file is patched are the survey's, one at a time; a
// text the survey leaves in one piece is one slice, and whether it holds a
// marker is what the survey tells.
TEST(SliceCutter, CutsWhatTheSurveyCuts) {
  std::mt19937 random(11);
  for (int round = 0; round < 200; ++round) {
    const std::string text = Generate(random, round % 40, round % 3 == 0);
    for (const char* name : {"p.htm", "p.js", "p"}) {
      const quenloft::MarkerStyle style = *MarkerStyleOfName(name);
      for (const size_t size : {1, 9, 100}) {
        std::vector<Slice> surveyed = SurveyText(text, name, size).slices;
        if (surveyed.empty()) surveyed.push_back({0, text.size(), false});
        // The survey keeps an empty last piece; patching it adds nothing.
        if (surveyed.size() > 1 && surveyed.back().begin == text.size()) surveyed.pop_back();
        SliceCutter cutter(text, style, size);
        std::vector<Slice> cut;
        for (Slice slice; cutter.Next(&slice);) cut.push_back(slice);
        ASSERT_EQ(cut.size(), surveyed.size()) << name << " " << size << " [" << text << "]";
        for (size_t i = 0; i < cut.size(); ++i) {
          EXPECT_EQ(cut[i].begin, surveyed[i].begin) << text;
          EXPECT_EQ(cut[i].end, surveyed[i].end) << text;
          // One piece: the survey gives none and so no word on it.
          if (surveyed.size() > 1) {
            EXPECT_EQ(cut[i].alone, surveyed[i].alone) << text;
          }
        }
      }
      EXPECT_EQ(HoldsMarkers(text, style), SurveyText(text, name, 0).may_hold_markers) << text;
    }
  }
  EXPECT_FALSE(HoldsMarkers(std::string("<!--%a$$%-->\0", 13), quenloft::MarkerStyleMarkup));
}

TEST(SliceSizeFor, OnlyLargeFilesOfASettledType) {
  const std::string large(kSliceAbove, 'x');
  EXPECT_EQ(SliceSizeFor(large, "a/p.htm"), kSliceSize);
  EXPECT_EQ(SliceSizeFor(large, "a/p"), kSliceSize);
  EXPECT_EQ(SliceSizeFor(large.substr(1), "a/p.htm"), 0u);
  EXPECT_EQ(SliceSizeFor(large, "a/.htm"), 0u);  // either type
}

}  // namespace
}  // namespace quenloft_tool
