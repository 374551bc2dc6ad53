// The renderer's output files end to end: never a partial file left behind,
// the headers and channel masks other tools read, standard output.

#include <pty.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "tests/tools/ostrelle_fixture.h"

using namespace ostrelle_test;

namespace {

uint32_t le(const std::string& b, std::size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
  return v;
}

// The payload of a RIFF chunk ("fmt ", "data"), or "" when there is none.
std::string riff_chunk(const std::string& file, const char* id) {
  for (std::size_t at = 12; at + 8 <= file.size();) {
    const uint32_t size = le(file, at + 4, 4);
    if (file.compare(at, 4, id) == 0) return file.substr(at + 8, size);
    at += 8 + size + (size & 1);
  }
  return "";
}

// Waits until the file exists (true) or the process has ended (false).
bool wait_for_file(const fs::path& p, pid_t pid) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < until) {
    if (fs::exists(p)) return true;
    if (::waitpid(pid, nullptr, WNOHANG) == pid) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

TEST_F(Ostrelle, AnInterruptedRenderLeavesNoFile) {
  // Ctrl-C, kill, a closed terminal, a quit key, a crash: whatever stops a
  // long render midway, neither its temporary nor a partial file remains.
  for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGSEGV}) {
    SCOPED_TRACE(strsignal(sig));
    const pid_t pid = start({"render", "wind", "-o", "long.wav", "--seconds", "3600"});
    const fs::path part = path(".long.wav.part" + std::to_string(pid));
    ASSERT_TRUE(wait_for_file(part, pid));
    ::kill(pid, sig);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    // Stopped by the signal itself, as a shell expects (a sanitizer build
    // reports a crash signal and exits instead).
    if (sig != SIGSEGV) {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
    } else {
      EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(files(), std::vector<std::string>{});
  }

  // A file-size limit stops the render with SIGXFSZ on its own.
  const pid_t pid = start({"render", "wind", "-o", "big.wav", "--seconds", "60"}, 1 << 20);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
  EXPECT_EQ(files(), std::vector<std::string>{});
}

TEST_F(Ostrelle, WavFilesCarryTheExtensibleHeaderAndTheLayoutsChannelMask) {
  struct layout {
    const char* name;
    int channels;
    uint32_t mask;
    std::vector<int> map;
  };
  const layout layouts[] = {
      {"mono", 1, 0x4, {SF_CHANNEL_MAP_CENTER}},
      {"stereo", 2, 0x3, {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT}},
      {"quad", 4, 0x33,
       {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT, SF_CHANNEL_MAP_REAR_LEFT,
        SF_CHANNEL_MAP_REAR_RIGHT}},
      {"5.1", 6, 0x3F,
       {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT, SF_CHANNEL_MAP_CENTER, SF_CHANNEL_MAP_LFE,
        SF_CHANNEL_MAP_REAR_LEFT, SF_CHANNEL_MAP_REAR_RIGHT}},
  };
  struct encoding {
    const char* name;
    int bits;
    uint32_t guid_tag;  // 3 IEEE float, 1 PCM
  };
  // The subformat GUID's common tail, KSDATAFORMAT_SUBTYPE_*.
  const std::string guid_tail("\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 12);
  for (const auto& l : layouts) {
    for (const encoding e : {encoding{"float", 32, 3}, encoding{"pcm16", 16, 1},
                             encoding{"pcm24", 24, 1}}) {
      SCOPED_TRACE(std::string(l.name) + " " + e.name);
      ASSERT_EQ(run(std::string("render rain -o x.wav --seconds 0.05 --quiet --format ") + l.name +
                    " --encoding " + e.name)
                    .status,
                0);
      const std::string file = slurp(path("x.wav"));
      const std::string fmt = riff_chunk(file, "fmt ");
      ASSERT_EQ(fmt.size(), 40u);
      EXPECT_EQ(le(fmt, 0, 2), 0xFFFEu);  // WAVE_FORMAT_EXTENSIBLE
      EXPECT_EQ(le(fmt, 2, 2), static_cast<uint32_t>(l.channels));
      EXPECT_EQ(le(fmt, 14, 2), static_cast<uint32_t>(e.bits));
      EXPECT_EQ(le(fmt, 16, 2), 22u);
      EXPECT_EQ(le(fmt, 18, 2), static_cast<uint32_t>(e.bits));  // valid bits
      EXPECT_EQ(le(fmt, 20, 4), l.mask);
      EXPECT_EQ(le(fmt, 24, 4), e.guid_tag);
      EXPECT_EQ(fmt.substr(28), guid_tail);
      EXPECT_EQ(riff_chunk(file, "data").size(), 2400u * l.channels * e.bits / 8);

      SF_INFO info{};
      SNDFILE* f = sf_open(path("x.wav").c_str(), SFM_READ, &info);
      ASSERT_NE(f, nullptr);
      std::vector<int> map(l.channels);
      EXPECT_EQ(sf_command(f, SFC_GET_CHANNEL_MAP_INFO, map.data(),
                           static_cast<int>(map.size() * sizeof(int))),
                SF_TRUE);
      EXPECT_EQ(map, l.map);
      sf_close(f);
    }
  }
}

TEST_F(Ostrelle, OggVorbisCarriesFiveOneInVorbisOrder) {
  // The same render as WAV (engine order L R C LFE Ls Rs) and as Ogg (Vorbis
  // order L C R Ls Rs LFE): each Ogg channel resembles its WAV channel most.
  const std::string args = " --seconds 1 --quiet --format 5.1 --preset Storm "
                           "--set rain_lfe_level=1";
  ASSERT_EQ(run("render rain -o x.wav" + args).status, 0);
  ASSERT_EQ(run("render rain -o x.ogg" + args).status, 0);
  const sound w = read_sound(path("x.wav")), o = read_sound(path("x.ogg"));
  ASSERT_EQ(o.info.channels, 6);
  const std::size_t frames = std::min<std::size_t>(w.info.frames, o.info.frames);
  const int vorbis[6] = {0, 2, 1, 4, 5, 3};
  for (int c = 0; c < 6; ++c) {
    int best = -1;
    double best_error = INFINITY;
    for (int s = 0; s < 6; ++s) {
      double error = 0.0, energy = 1e-12;
      for (std::size_t i = 0; i < frames; ++i) {
        const double d = o.samples[i * 6 + c] - w.samples[i * 6 + s];
        error += d * d;
        energy += static_cast<double>(w.samples[i * 6 + s]) * w.samples[i * 6 + s];
      }
      if (error / energy < best_error) best_error = error / energy, best = s;
    }
    EXPECT_EQ(best, vorbis[c]) << "Ogg channel " << c;
  }
}

TEST_F(Ostrelle, StandardOutputTakesTheEncodingAsRawSamples) {
  // What sox -t raw and ffmpeg -f s16le / s24le / f32le give a player: the
  // samples of the WAV file's data chunk, little-endian, nothing else.
  for (const char* encoding : {"float", "pcm16", "pcm24"}) {
    SCOPED_TRACE(encoding);
    const std::string args = std::string(" --seconds 0.2 --format quad --encoding ") + encoding;
    ASSERT_EQ(run("render wind -o x.wav --quiet" + args).status, 0);
    const result r = run("render wind -o -" + args);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string data = riff_chunk(slurp(path("x.wav")), "data");
    ASSERT_FALSE(data.empty());
    EXPECT_EQ(r.out.size(), data.size());
    EXPECT_TRUE(r.out == data);
  }
  const result bad = run("render wind -o - --encoding pcm8");
  EXPECT_NE(bad.status, 0);
  EXPECT_TRUE(bad.out.empty());
}

TEST_F(Ostrelle, ARenderShorterThanOneFrameIsRefused) {
  for (const char* args : {"--seconds 0.00001", "--seconds 1e-9 --rate 8000",
                           "--seconds 0.0000104"}) {
    SCOPED_TRACE(args);
    const result r = run(std::string("render rain -o x.wav ") + args);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("shorter than one frame"), std::string::npos) << r.err;
    EXPECT_EQ(files(), std::vector<std::string>{});
  }
  // Half a frame and more rounds to one.
  ASSERT_EQ(run("render rain -o x.wav --quiet --seconds 0.0000105").status, 0);
  EXPECT_EQ(read_sound(path("x.wav")).info.frames, 1);
}

// Runs the binary on a pseudo-terminal (standard output and error both on
// it, as in a shell) and returns what the terminal received.
std::string run_on_terminal(const fs::path& dir, const std::vector<std::string>& args) {
  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    if (::chdir(dir.c_str()) != 0) ::_exit(126);
    std::vector<char*> argv{const_cast<char*>(binary())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(binary(), argv.data());
    ::_exit(127);
  }
  std::string seen;
  char buf[4096];
  for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;) seen.append(buf, n);
  ::close(master);
  ::waitpid(pid, nullptr, 0);
  return seen;
}

TEST_F(Ostrelle, ProgressBarEndsAtAHundredPercentAndTheSummaryHasItsOwnLine) {
  const std::string seen = run_on_terminal(dir_, {"render", "rain", "-o", "x.wav", "--seconds", "2"});
  const auto full = seen.rfind("100%");
  ASSERT_NE(full, std::string::npos) << seen;
  // The bar's last state is full and ends its line; the summary starts a
  // line of its own (the terminal turns a newline into CR LF).
  EXPECT_EQ(seen.substr(full - 43, 43), "[" + std::string(40, '#') + "] ") << seen;
  EXPECT_EQ(seen.substr(full + 4, 2 + 6), "\r\nx.wav:") << seen;
  EXPECT_EQ(seen.find("x.wav:"), full + 6) << seen;
}

}  // namespace
