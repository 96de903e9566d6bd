// Synthesizes the game's five sounds and writes them as 44.1 kHz 16-bit mono PCM WAV files.
//
//   make_sounds OUTPUT_DIR
//
// Everything is computed from fixed seeds and fixed note lists, so every build writes the
// same bytes. Effects are mastered to peak at -1.6 dBFS with short fades at both ends; the
// music is mastered well below them and loops without a seam.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kPi = std::numbers::pi;
constexpr double kEffectPeakDb = -1.6;
constexpr double kMusicPeakDb = -10.0;

using Signal = std::vector<double>;

std::size_t frames(double seconds) {
    return static_cast<std::size_t>(std::lround(seconds * kRate));
}
double timeOf(std::size_t i) {
    return static_cast<double>(i) / kRate;
}
double dbToGain(double db) {
    return std::pow(10.0, db / 20.0);
}

// xorshift64*: tiny, and unlike std's distributions it gives the same numbers everywhere.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed | 1) {}
    std::uint64_t next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }
    double bipolar() { return static_cast<double>(next() >> 11) * 0x1.0p-52 - 1.0; }

  private:
    std::uint64_t state_;
};

// Second-order section, coefficients from the usual audio-EQ cookbook.
class Biquad {
  public:
    static Biquad bandPass(double freq, double q) { // 0 dB at the centre
        const double w = 2 * kPi * freq / kRate, alpha = std::sin(w) / (2 * q);
        return Biquad(alpha, 0, -alpha, 1 + alpha, -2 * std::cos(w), 1 - alpha);
    }
    static Biquad lowPass(double freq, double q) {
        const double w = 2 * kPi * freq / kRate, alpha = std::sin(w) / (2 * q), c = std::cos(w);
        return Biquad((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
    }
    double operator()(double x) {
        const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

  private:
    Biquad(double b0, double b1, double b2, double a0, double a1, double a2)
        : b0_(b0 / a0), b1_(b1 / a0), b2_(b2 / a0), a1_(a1 / a0), a2_(a2 / a0) {}
    double b0_, b1_, b2_, a1_, a2_;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// Raised-cosine ramp from 0 to 1 over `length` samples.
double ramp(std::size_t i, std::size_t length) {
    if (i >= length) return 1.0;
    return 0.5 - 0.5 * std::cos(kPi * static_cast<double>(i) / static_cast<double>(length));
}

void addAt(Signal& out, std::size_t start, const Signal& part, double gain) {
    for (std::size_t i = 0; i < part.size() && start + i < out.size(); ++i)
        out[start + i] += gain * part[i];
}

// Adds a sound into a loop, folding whatever runs past the end back onto the beginning, so the
// loop sounds exactly as if the music went on around.
void addWrapped(Signal& loop, std::size_t start, const Signal& part, double gain) {
    for (std::size_t i = 0; i < part.size(); ++i) loop[(start + i) % loop.size()] += gain * part[i];
}

void scaleToPeak(Signal& s, double peakDb) {
    double peak = 0;
    for (double x : s) peak = std::max(peak, std::abs(x));
    if (peak > 0)
        for (double& x : s) x *= dbToGain(peakDb) / peak;
}

// Fades both ends, removes any DC without undoing the fades, and sets the peak level.
void finishEffect(Signal& s, double fadeInMs, double fadeOutMs) {
    const std::size_t in = frames(fadeInMs / 1000), out = frames(fadeOutMs / 1000);
    Signal window(s.size());
    for (std::size_t i = 0; i < s.size(); ++i)
        window[i] = ramp(i, in) * ramp(s.size() - 1 - i, out);
    double sum = 0, weight = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        s[i] *= window[i];
        sum += s[i];
        weight += window[i];
    }
    // Subtracting the mean shaped by the window keeps both ends at exactly zero.
    for (std::size_t i = 0; i < s.size(); ++i) s[i] -= sum / weight * window[i];
    scaleToPeak(s, kEffectPeakDb);
}

// ---------------------------------------------------------------------------------------------
// 駒打音: a piece set down on a wooden board. A hard impact excites a few stiff wooden modes
// between 1 and 4.5 kHz that ring for about ten milliseconds, over a short low thump from the
// board's body.
Signal pieceClick() {
    Signal s(frames(0.18));
    Random rng(0x6B6F6D61);
    struct Mode {
        double freq, q, gain;
    };
    const Mode modes[] = {{1180, 40, 1.0}, {1960, 50, 0.9}, {2750, 56, 0.7}, {4300, 30, 0.35}};
    std::vector<Biquad> filters;
    for (const Mode& m : modes) filters.push_back(Biquad::bandPass(m.freq, m.q));
    Biquad tick = Biquad::bandPass(3200, 0.8);

    double phase = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = timeOf(i);
        const double impact = rng.bipolar() * std::exp(-t / 0.0009);
        double wood = 0;
        for (std::size_t m = 0; m < filters.size(); ++m) wood += modes[m].gain * filters[m](impact);
        // The board's thump falls slightly in pitch as it dies away.
        phase += 2 * kPi * (105 + 60 * std::exp(-t / 0.010)) / kRate;
        const double thump = std::sin(phase) * std::exp(-t / 0.014);
        // A dry overall envelope keeps the tail short, as on a thick kaya board.
        s[i] = (16.0 * wood + 0.4 * tick(impact)) * std::exp(-t / 0.030) + 0.16 * thump;
    }
    finishEffect(s, 2, 8);
    return s;
}

// Band-limited square and sawtooth waves, summed from their harmonics below 7 kHz.
double square(double phase, double freq) {
    double v = 0;
    for (int n = 1; n * freq < 7000; n += 2) v += std::sin(n * phase) / n;
    return v * 4 / kPi;
}

double saw(double phase, double freq) {
    double v = 0;
    for (int n = 1; n * freq < 7000; ++n) v += (n % 2 ? 1.0 : -1.0) * std::sin(n * phase) / n;
    return v * 2 / kPi;
}

// 禁止: two short low buzzes, the second a little lower, like a grumbling "uh-uh".
Signal forbidden() {
    Signal s(frames(0.34));
    struct Pulse {
        double start, length, freq;
    };
    const Pulse pulses[] = {{0.0, 0.13, 150.0}, {0.175, 0.14, 139.0}};
    for (const Pulse& p : pulses) {
        const std::size_t first = frames(p.start), count = frames(p.length);
        double a = 0, b = 0;
        Biquad soften = Biquad::lowPass(2400, 0.7);
        for (std::size_t i = 0; i < count && first + i < s.size(); ++i) {
            a += 2 * kPi * p.freq / kRate;
            b += 2 * kPi * p.freq * 1.021 / kRate; // detuned: the beating makes it rasp
            const double env = ramp(i, frames(0.006)) * ramp(count - 1 - i, frames(0.025));
            s[first + i] += env * soften(0.55 * square(a, p.freq) + 0.45 * saw(b, p.freq * 1.021));
        }
    }
    finishEffect(s, 3, 10);
    return s;
}

// その他: three rising bell strikes (A5, D6, A6) with slightly stretched partials.
Signal chime() {
    Signal s(frames(0.95));
    struct Partial {
        double ratio, gain, decay;
    };
    const Partial partials[] = {{1.0, 1.0, 0.26},
                                {2.0, 0.5, 0.16},
                                {3.01, 0.28, 0.10},
                                {4.17, 0.20, 0.06},
                                {5.43, 0.12, 0.04}};
    const double notes[][2] = {{0.0, 880.0}, {0.09, 1174.66}, {0.18, 1760.0}};
    for (const auto& note : notes) {
        const std::size_t first = frames(note[0]);
        for (std::size_t i = 0; first + i < s.size(); ++i) {
            const double t = timeOf(i);
            double v = 0;
            for (const Partial& p : partials)
                v += p.gain * std::sin(2 * kPi * note[1] * p.ratio * t) * std::exp(-t / p.decay);
            s[first + i] += ramp(i, frames(0.002)) * v;
        }
    }
    finishEffect(s, 2, 12);
    return s;
}

// A brass-like tone: harmonics whose upper partials open up as the note swells.
Signal brass(double freq, double seconds, bool vibrato) {
    const std::size_t count = frames(seconds);
    Signal s(count);
    double phase = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double t = timeOf(i);
        const double env = ramp(i, frames(0.025)) * (0.82 + 0.18 * std::exp(-t / 0.05)) *
                           ramp(count - 1 - i, frames(0.06));
        const double wobble =
            vibrato ? 1 + 0.004 * std::sin(2 * kPi * 5.5 * t) * ramp(i, frames(0.3)) : 1;
        phase += 2 * kPi * freq * wobble / kRate;
        double v = 0;
        for (int n = 1; n * freq < 9000; ++n)
            v += std::pow(env, 1 + 0.35 * (n - 1)) * std::sin(n * phase) / n;
        s[i] = v;
    }
    return s;
}

// 終局: a short fanfare, G4-C5-E5 leading to a held G5 over a C major chord.
Signal fanfare() {
    Signal s(frames(1.22));
    addAt(s, frames(0.00), brass(392.00, 0.12, false), 0.8);
    addAt(s, frames(0.13), brass(523.25, 0.12, false), 0.8);
    addAt(s, frames(0.26), brass(659.26, 0.12, false), 0.8);
    addAt(s, frames(0.39), brass(783.99, 0.80, true), 1.0);
    addAt(s, frames(0.39), brass(261.63, 0.80, false), 0.45);
    addAt(s, frames(0.39), brass(329.63, 0.80, false), 0.40);
    addAt(s, frames(0.39), brass(392.00, 0.80, false), 0.40);
    finishEffect(s, 3, 20);
    return s;
}

// ---------------------------------------------------------------------------------------------
// BGM: a calm koto piece in hirajoshi on D (D E F A Bb), 80 beats a minute, 12 bars of 4/4.

// Karplus-Strong plucked string. The loop delay is tuned to a fraction of a sample with a
// first-order all-pass, so high notes stay in tune.
Signal pluck(double freq, double seconds, double t60, double brightness, Random& rng) {
    const double period = kRate / freq;
    const auto delay = static_cast<std::size_t>(std::floor(period - 0.6));
    const double frac = period - static_cast<double>(delay) - 0.5; // in [0.1, 1.1)
    const double c = (1 - frac) / (1 + frac);
    const double loss = std::pow(10.0, -3.0 / (t60 * freq));

    Signal y(frames(seconds));
    // Excitation: noise, softened by a one-pole low-pass (a brighter pluck keeps more highs),
    // with its mean removed so the string carries no DC.
    double smooth = 0, mean = 0;
    for (std::size_t i = 0; i <= delay && i < y.size(); ++i) {
        smooth += brightness * (rng.bipolar() - smooth);
        y[i] = smooth;
        mean += smooth;
    }
    mean /= static_cast<double>(delay + 1);
    for (std::size_t i = 0; i <= delay && i < y.size(); ++i) y[i] -= mean;

    double apIn = 0, apOut = 0;
    for (std::size_t i = delay + 1; i < y.size(); ++i) {
        const double avg = 0.5 * (y[i - delay] + y[i - delay - 1]);
        apOut = c * avg + apIn - c * apOut;
        apIn = avg;
        y[i] = loss * apOut;
    }
    const std::size_t tail = frames(0.05);
    for (std::size_t i = 0; i < tail && i < y.size(); ++i) y[y.size() - 1 - i] *= ramp(i, tail);
    return y;
}

// A small Schroeder reverb run around the loop twice: the first pass fills the reverb with the
// end of the piece, the second is kept, so the reverb tail is continuous across the seam too.
void reverbLoop(Signal& loop, double wet) {
    struct Comb {
        std::vector<double> line;
        std::size_t at = 0;
        double store = 0;
    };
    const std::size_t combLengths[] = {1557, 1617, 1491, 1422};
    const std::size_t allPassLengths[] = {556, 225};
    std::vector<Comb> combs;
    for (std::size_t n : combLengths) combs.push_back(Comb{std::vector<double>(n), 0, 0});
    std::vector<Comb> allPasses;
    for (std::size_t n : allPassLengths) allPasses.push_back(Comb{std::vector<double>(n), 0, 0});

    Signal out(loop.size());
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < loop.size(); ++i) {
            const double in = loop[i] * 0.25;
            double sum = 0;
            for (Comb& c : combs) {
                const double delayed = c.line[c.at];
                c.store = delayed * 0.75 + c.store * 0.25; // damped feedback
                c.line[c.at] = in + c.store * 0.80;
                c.at = (c.at + 1) % c.line.size();
                sum += delayed;
            }
            for (Comb& a : allPasses) {
                const double delayed = a.line[a.at];
                a.line[a.at] = sum + delayed * 0.5;
                a.at = (a.at + 1) % a.line.size();
                sum = delayed - sum * 0.5;
            }
            out[i] = loop[i] + wet * sum;
        }
    }
    loop = out;
}

Signal music() {
    constexpr double beat = 0.75;
    constexpr int bars = 12;
    // The piece starts a few milliseconds after the loop point, so the loop's first sample
    // lies in the quiet tail of the last bar rather than on a pluck.
    constexpr double lead = 0.03;
    Signal loop(frames(beat * 4 * bars));

    // Scale steps from D4: 0 = D4, 1 = E4, 2 = F4, 3 = A4, 4 = Bb4, 5 = D5; -1 = Bb3, -2 = A3,
    // -3 = F3, -5 = D3.
    const double hirajoshi[] = {0, 2, 3, 7, 8}; // semitones above D
    auto pitch = [&](int step) {
        const int octave = step >= 0 ? step / 5 : -((-step + 4) / 5);
        const int degree = step - octave * 5;
        return 293.66 * std::pow(2.0, octave + hirajoshi[degree] / 12.0);
    };

    struct Note {
        int bar;
        double beatInBar;
        int step;
        double velocity;
    };
    const Note melody[] = {
        {0, 0, 5, 1.0},   {0, 1, 3, 0.8},   {0, 2, 4, 0.8},  {0, 2.5, 3, 0.6}, {0, 3, 2, 0.8},
        {1, 0, 3, 0.9},   {1, 2, 1, 0.7},   {1, 3, 0, 0.7},  {2, 0, 2, 0.9},   {2, 1, 3, 0.7},
        {2, 1.5, 4, 0.6}, {2, 2, 5, 0.9},   {3, 0, 6, 1.0},  {3, 1, 5, 0.8},   {3, 2, 3, 0.9},
        {4, 0, 7, 1.0},   {4, 0.5, 6, 0.6}, {4, 1, 5, 0.8},  {4, 2, 4, 0.8},   {4, 3, 3, 0.7},
        {5, 0, 2, 0.9},   {5, 1, 3, 0.7},   {5, 2, 1, 0.8},  {6, 0, 0, 0.9},   {6, 1, 2, 0.6},
        {6, 1.5, 3, 0.6}, {6, 2, 4, 0.8},   {6, 3, 5, 0.8},  {7, 0, 3, 1.0},   {8, 0, 8, 1.0},
        {8, 1, 7, 0.7},   {8, 1.5, 6, 0.6}, {8, 2, 5, 0.9},  {9, 0, 4, 0.8},   {9, 1, 5, 0.7},
        {9, 2, 6, 0.8},   {9, 3, 5, 0.7},   {10, 0, 3, 0.9}, {10, 1, 2, 0.7},  {10, 1.5, 1, 0.6},
        {10, 2, 0, 0.9},  {11, 0, -2, 0.8}, {11, 1, 0, 0.9},
    };
    // Bass: the bar's root on the first beat, a scale tone above it on the third.
    const int roots[bars] = {-5, -1, -5, -2, -5, -3, -1, -2, -5, -1, -2, -5};

    Random rng(0x4B6F746F);
    const auto at = [&](int bar, double b) { return frames(lead + (bar * 4 + b) * beat); };
    for (const Note& n : melody)
        addWrapped(loop, at(n.bar, n.beatInBar), pluck(pitch(n.step), 3.5, 1.6, 0.55, rng),
                   0.55 * n.velocity);
    // A high grace note echoes some phrase ends, an octave up and soft.
    const int echoes[][2] = {{1, 8}, {3, 8}, {7, 8}, {10, 5}};
    for (const auto& e : echoes)
        addWrapped(loop, at(e[0], 3.5), pluck(pitch(e[1] + 5), 2.5, 1.0, 0.7, rng), 0.18);
    for (int bar = 0; bar < bars; ++bar) {
        addWrapped(loop, at(bar, 0), pluck(pitch(roots[bar] - 5), 4.5, 2.6, 0.25, rng), 0.6);
        addWrapped(loop, at(bar, 2), pluck(pitch(roots[bar] - 2), 4.0, 2.2, 0.25, rng), 0.35);
    }

    reverbLoop(loop, 0.35);
    // A constant offset cannot break the loop's continuity, so plain mean removal is safe here.
    double mean = 0;
    for (double x : loop) mean += x;
    mean /= static_cast<double>(loop.size());
    for (double& x : loop) x -= mean;
    scaleToPeak(loop, kMusicPeakDb);
    return loop;
}

// ---------------------------------------------------------------------------------------------

void put16(std::vector<unsigned char>& out, std::uint32_t v) {
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>(v >> 8 & 0xFF));
}

void put32(std::vector<unsigned char>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A byte at a time: GCC 12 takes a four-byte insert for an overflow when it inlines it under
// ThreadSanitizer.
void putTag(std::vector<unsigned char>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(tag[i]));
}

// The canonical 44-byte header, then the samples, all little-endian.
bool writeWav(const std::string& path, const Signal& s) {
    const auto dataBytes = static_cast<std::uint32_t>(s.size() * 2);
    std::vector<unsigned char> out;
    out.reserve(44 + dataBytes);
    putTag(out, "RIFF");
    put32(out, 36 + dataBytes);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, kRate);
    put32(out, kRate * 2);
    put16(out, 2);
    put16(out, 16);
    putTag(out, "data");
    put32(out, dataBytes);
    for (double x : s) {
        const long v = std::lround(std::clamp(x, -1.0, 1.0) * 32767.0);
        put16(out,
              static_cast<std::uint32_t>(static_cast<std::uint16_t>(static_cast<std::int16_t>(v))));
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    struct Output {
        const char* name;
        Signal (*make)();
    };
    const Output outputs[] = {
        {"駒打音.wav", pieceClick}, {"禁止.wav", forbidden}, {"その他.wav", chime},
        {"終局.wav", fanfare},      {"BGM.wav", music},
    };
    for (const Output& o : outputs) {
        const std::string path = dir + "/" + o.name;
        if (!writeWav(path, o.make())) {
            std::fprintf(stderr, "make_sounds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
