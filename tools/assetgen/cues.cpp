#include "tools/assetgen/cues.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace prismcrate::assetgen {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// A small deterministic noise source (xorshift), white in -1..1.
class Noise {
  public:
    explicit Noise(std::uint32_t seed) : state_(seed ? seed : 1) {}
    double next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<double>(state_) / 2147483648.0 - 1.0;
    }

  private:
    std::uint32_t state_;
};

// One-pole low-pass filter.
class LowPass {
  public:
    double step(double x, double cutoff, double rate) {
        const double a = 1.0 - std::exp(-kTwoPi * cutoff / rate);
        y_ += a * (x - y_);
        return y_;
    }

  private:
    double y_ = 0;
};

// Band-pass biquad with a constant peak gain of 1.
class BandPass {
  public:
    BandPass(double centre, double q, double rate) {
        const double w = kTwoPi * centre / rate;
        const double alpha = std::sin(w) / (2 * q);
        const double a0 = 1 + alpha;
        b0_ = alpha / a0;
        b2_ = -alpha / a0;
        a1_ = -2 * std::cos(w) / a0;
        a2_ = (1 - alpha) / a0;
    }
    double step(double x) {
        const double y = b0_ * x + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

  private:
    double b0_, b2_, a1_, a2_;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// A raised-cosine ramp from 0 to 1 over `length` seconds.
double rampUp(double t, double length) {
    if (t >= length) return 1.0;
    if (t <= 0) return 0.0;
    return 0.5 - 0.5 * std::cos(std::numbers::pi * t / length);
}

// Fades the start and the end of a signal smoothly to silence.
void fadeEnds(std::vector<double>& s, double rate, double fadeIn, double fadeOut) {
    const double total = static_cast<double>(s.size()) / rate;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        // The last sample is the end of the fade: exactly silent.
        const double left = total - static_cast<double>(i + 1) / rate;
        s[i] *= rampUp(t, fadeIn) * rampUp(left, fadeOut);
    }
}

std::vector<double> explosion(double rate, std::size_t n) {
    std::vector<double> s(n);
    Noise noise(0x5eed01);
    LowPass body1, body2, crackleFilter;
    double rumblePhase = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / rate;
        // Roaring noise whose brightness falls as the blast dies away.
        const double cutoff = 250 + 2600 * std::exp(-t / 0.12);
        const double w = noise.next();
        const double roar = body2.step(body1.step(w, cutoff, rate), cutoff, rate);
        const double roarEnv = std::exp(-t / 0.28) * (0.35 + 0.65 * std::exp(-t / 0.05));
        // A low thump with falling pitch.
        const double f = 38 + 50 * std::exp(-t / 0.15);
        rumblePhase += kTwoPi * f / rate;
        const double rumble = std::sin(rumblePhase) * std::exp(-t / 0.3);
        // Sparse crackles in the first half second.
        double crackle = 0;
        if (t < 0.5 && std::abs(noise.next()) > 0.985) crackle = noise.next() * (1 - t / 0.5);
        crackle = crackleFilter.step(crackle, 1800, rate);
        s[i] = 2.4 * roar * roarEnv + 0.55 * rumble + 1.2 * crackle;
    }
    fadeEnds(s, rate, 0.002, 0.25);
    return s;
}

std::vector<double> click(double rate, std::size_t n) {
    std::vector<double> s(n);
    Noise noise(0x5eed02);
    BandPass snap(3200, 1.5, rate);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / rate;
        // The plate going down: a bright snap and a short knock, then a softer clack as it
        // settles 26 ms later.
        const double snapSound = snap.step(noise.next()) * std::exp(-t / 0.0025);
        const double knock = std::sin(kTwoPi * 1450 * t) * std::exp(-t / 0.007);
        const double t2 = t - 0.026;
        double settle = 0;
        if (t2 >= 0) settle = 0.55 * std::sin(kTwoPi * 880 * t2) * std::exp(-t2 / 0.009);
        s[i] = 1.6 * snapSound + knock + settle;
    }
    fadeEnds(s, rate, 0.0006, 0.012);
    return s;
}

std::vector<double> move(double rate, std::size_t n) {
    std::vector<double> s(n);
    Noise noise(0x5eed03);
    BandPass low(520, 1.1, rate);
    BandPass high(1700, 2.5, rate);
    LowPass jitter;
    double phase = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / rate;
        // Scraping: filtered noise that grabs and slips at an uneven rate.
        const double rateOfSlip = 34 + 14 * jitter.step(noise.next(), 6, rate);
        phase += kTwoPi * rateOfSlip / rate;
        const double grab = 0.55 + 0.45 * std::pow(std::abs(std::sin(phase)), 3);
        const double w = noise.next();
        const double scrape = (1.3 * low.step(w) + 0.6 * high.step(w)) * grab;
        // A dull thud as the load starts to move.
        const double thud = std::sin(kTwoPi * 115 * t) * std::exp(-t / 0.03);
        s[i] = scrape + 0.45 * thud;
    }
    fadeEnds(s, rate, 0.01, 0.07);
    return s;
}

std::vector<double> death(double rate, std::size_t n) {
    std::vector<double> s(n);
    Noise noise(0x5eed04);
    LowPass crunchFilter;
    double phase = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / rate;
        // A falling electric whine as the robot dies...
        const double f = 70 + 820 * std::exp(-t / 0.11);
        phase += kTwoPi * f / rate;
        const double whine = std::tanh(2.5 * std::sin(phase)) * std::exp(-t / 0.22);
        // ...a crunch of breaking parts...
        const double crunch = crunchFilter.step(noise.next(), 1400, rate) * std::exp(-t / 0.09);
        // ...and two metallic clanks.
        double clank = 0;
        for (double start : {0.0, 0.13}) {
            const double u = t - start;
            if (u < 0) continue;
            const double e = std::exp(-u / 0.045);
            clank += e * (std::sin(kTwoPi * 1230 * u) + 0.7 * std::sin(kTwoPi * 1873 * u) +
                          0.4 * std::sin(kTwoPi * 2651 * u));
        }
        s[i] = 0.7 * whine + 2.2 * crunch + 0.35 * clank;
    }
    fadeEnds(s, rate, 0.001, 0.09);
    return s;
}

// One voice of the fanfare: a bright, reedy tone.
double reed(double phase) {
    return std::sin(phase) + 0.5 * std::sin(2 * phase) + 0.32 * std::sin(3 * phase) +
           0.18 * std::sin(4 * phase) + 0.1 * std::sin(5 * phase);
}

std::vector<double> win(double rate, std::size_t n) {
    std::vector<double> s(n, 0.0);
    struct Note {
        double freq;
        double start;
        double length;
        double level;
    };
    // A rising arpeggio G4 C5 E5 G5 that lands on a held C major chord.
    const Note notes[] = {
        {392.00, 0.00, 0.11, 1.1},  {523.25, 0.11, 0.11, 1.1},  {659.26, 0.22, 0.11, 1.1},
        {783.99, 0.33, 0.13, 1.15}, {1046.50, 0.48, 0.53, 0.9}, {659.26, 0.48, 0.53, 0.35},
        {783.99, 0.48, 0.53, 0.35}, {523.25, 0.48, 0.53, 0.3},
    };
    for (const Note& note : notes) {
        double phase = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(i) / rate - note.start;
            if (t < 0 || t > note.length) continue;
            const bool held = note.length > 0.3;
            const double vibrato =
                held ? 1 + 0.004 * std::sin(kTwoPi * 5.5 * t) * rampUp(t, 0.2) : 1.0;
            phase += kTwoPi * note.freq * vibrato / rate;
            const double attack = rampUp(t, 0.006);
            const double release = rampUp(note.length - t, held ? 0.02 : 0.025);
            const double decay = held ? std::exp(-t / 0.45) : 0.75 + 0.25 * std::exp(-t / 0.03);
            s[i] += note.level * reed(phase) * attack * release * decay;
        }
    }
    fadeEnds(s, rate, 0.002, 0.03);
    return s;
}

}  // namespace

std::vector<std::uint8_t> toUnsigned8(const std::vector<double>& signal, double peak) {
    double largest = 0;
    for (double v : signal) largest = std::max(largest, std::abs(v));
    const double gain = largest > 0 ? peak * 127.0 / largest : 0.0;
    std::vector<std::uint8_t> out;
    out.reserve(signal.size());
    for (double v : signal) {
        const long q = 128 + std::lround(v * gain);
        out.push_back(static_cast<std::uint8_t>(std::clamp(q, 1L, 255L)));
    }
    return out;
}

std::vector<Cue> synthesiseCues() {
    std::vector<Cue> cues;
    auto add = [&](const char* name, std::uint32_t rate, std::size_t n, auto synth, double peak) {
        cues.push_back(Cue{name, rate, toUnsigned8(synth(static_cast<double>(rate), n), peak)});
    };
    add("explosion", 8000, 8000, explosion, 0.85);
    add("click", 11025, 791, click, 0.6);
    add("move", 11025, 2408, move, 0.55);
    add("death", 11025, 4466, death, 0.8);
    add("win", 11025, 11089, win, 0.7);
    return cues;
}

}  // namespace prismcrate::assetgen
