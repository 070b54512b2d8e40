#include "synthetic_xray.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "value_noise.h"

namespace hostsim {

namespace {

// SplitMix64: small, fast and fully determined by its seed.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x1234567ull) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
  // Uniform in [low, high).
  double Between(double low, double high) { return low + (high - low) * Unit(); }

 private:
  std::uint64_t state_;
};

double SmoothStep(double edge0, double edge1, double x) {
  double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
  return t * t * (3.0 - 2.0 * t);
}

// Shapes are described by signed distances in pixels (negative inside). Smooth union and
// intersection round the seams where parts meet over about k pixels.
double SmoothMin(double a, double b, double k) {
  double h = std::max(k - std::fabs(a - b), 0.0) / k;
  return std::min(a, b) - h * h * k * 0.25;
}
double SmoothMax(double a, double b, double k) { return -SmoothMin(-a, -b, k); }

// How much of a pixel a shape covers, from its signed distance: edges are soft over `blur`
// pixels either side, which stands for the blur of focal spot and sensor.
double Coverage(double distance, double blur) { return SmoothStep(blur, -blur, distance); }

// A tapered capsule: two circles (centre a, radius r1; centre b, radius r2) and the cone
// tangent to both; roots and root canals are chains of these. Exact signed distance.
struct RoundCone {
  double ax = 0, ay = 0, r1 = 0;
  double bax = 0, bay = 0, r2 = 0;
  double l2 = 1, rr = 0, a2 = 1, il2 = 1;

  RoundCone() = default;
  RoundCone(double x1, double y1, double radius1, double x2, double y2, double radius2)
      : ax(x1), ay(y1), r1(radius1), bax(x2 - x1), bay(y2 - y1), r2(radius2) {
    l2 = std::max(bax * bax + bay * bay, 1e-9);
    rr = r1 - r2;
    a2 = l2 - rr * rr;
    il2 = 1.0 / l2;
  }
  double Distance(double px, double py) const {
    const double pax = px - ax;
    const double pay = py - ay;
    const double y = pax * bax + pay * bay;
    const double z = y - l2;
    const double xx = pax * l2 - bax * y;
    const double xy = pay * l2 - bay * y;
    const double x2 = xx * xx + xy * xy;
    const double y2 = y * y * l2;
    const double z2 = z * z * l2;
    const double k = (rr < 0 ? -1.0 : 1.0) * rr * rr * x2;
    if ((z < 0 ? -1.0 : 1.0) * a2 * z2 > k) return std::sqrt(x2 + z2) * il2 - r2;
    if ((y < 0 ? -1.0 : 1.0) * a2 * y2 < k) return std::sqrt(x2 + y2) * il2 - r1;
    return (std::sqrt(x2 * a2 * il2) + y * rr) * il2 - r1;
  }
};

// One tooth in its own frame: q across (pixels from the long axis), p down the axis (pixels
// below the highest point of the crown). Premolars have one root; molars two, with a furcation.
struct Tooth {
  double centre_x = 0;  // image position of the frame's origin
  double top_y = 0;
  double sine = 0;  // tilt of the long axis
  double cosine = 1;
  double width = 1;                // crown width at the contacts
  double crown = 1;                // crown length, tip to the cemento-enamel junction
  double length = 1;               // tip to apex
  double cervical = 0.36;          // half-width at the junction, in crown widths
  std::array<double, 2> cusp_q{};  // cusp tips across the crown
  int cusps = 1;
  double cusp_curve = 1;            // how fast the occlusal outline falls away from a cusp tip
  double enamel = 1;                // enamel thickness over the cusps
  std::array<RoundCone, 5> body{};  // root trunk and roots
  int body_parts = 0;
  bool trunk = false;  // body[0] is a molar's root trunk
  std::array<RoundCone, 4> canals{};
  int canal_count = 0;
  double chamber_side = 0;  // the pulp chamber: the crown outline moved inwards by these
  double chamber_roof = 0;
  double chamber_floor = 0;  // depth where the chamber ends
  bool filled = false;       // a restoration: a block from the occlusal surface down
  double fill_q0 = 0, fill_q1 = 0, fill_depth = 0;
  double reach = 0;  // no part of the tooth lies further from centre_x
};

// Half-width of the crown at depth p: widest at the contacts, narrowing to the neck.
double CrownHalfWidth(const Tooth& tooth, double p) {
  const double t = std::clamp(p / tooth.crown, 0.0, 1.0);
  if (t < 0.3) {
    const double s = (0.3 - t) / 0.3;
    return tooth.width * (0.5 - 0.07 * s * s);
  }
  const double s = (t - 0.3) / 0.7;
  return tooth.width * (0.5 - (0.5 - tooth.cervical) * s * std::sqrt(s));
}

// The signed distance to the crown (enamel outline), cut off just below the junction.
double CrownDistance(const Tooth& tooth, double q, double p) {
  const double side = std::fabs(q) - CrownHalfWidth(tooth, p);
  // Occlusal outline: each cusp a parabola; the outline is the highest of them.
  double top = 1e9;
  double slope = 0;
  for (int i = 0; i < tooth.cusps; ++i) {
    const double d = q - tooth.cusp_q[static_cast<std::size_t>(i)];
    const double depth = tooth.cusp_curve * d * d / tooth.width;
    if (depth < top) {
      top = depth;
      slope = 2.0 * tooth.cusp_curve * d / tooth.width;
    }
  }
  const double occlusal = (top - p) / std::sqrt(1.0 + slope * slope);
  const double crown = SmoothMax(side, occlusal, 0.12 * tooth.width);
  return std::max(crown, p - (tooth.crown + 0.03 * tooth.width));
}

// What a tooth contributes at one image point.
struct ToothSample {
  double attenuation = 0;  // line integral of the tooth's attenuation
  double distance = 1e9;   // signed distance to the outline (crown, trunk and roots)
};

ToothSample SampleTooth(const Tooth& tooth, double x, double y, double blur) {
  ToothSample out;
  const double dx = x - tooth.centre_x;
  const double dy = y - tooth.top_y;
  const double q = dx * tooth.cosine + dy * tooth.sine;
  const double p = -dx * tooth.sine + dy * tooth.cosine;
  const double w = tooth.width;
  if (p < -0.1 * w || p > tooth.length + 0.1 * w) return out;
  const double crown = CrownDistance(tooth, q, p);
  // Roots join each other plainly (a chain of cones has no seams) and the crown, or a molar's
  // trunk, with a rounded seam: the neck and the furcation.
  double roots = 1e9;
  for (int i = tooth.trunk ? 1 : 0; i < tooth.body_parts; ++i) {
    roots = std::min(roots, tooth.body[static_cast<std::size_t>(i)].Distance(q, p));
  }
  if (tooth.trunk) roots = SmoothMin(roots, tooth.body[0].Distance(q, p), 0.1 * w);
  const double outline = SmoothMin(crown, roots, 0.1 * w);
  out.distance = outline;
  if (outline > blur) return out;

  // Projected thickness: a rounded body is thin at its outline and full a little inside it.
  const double inside = Coverage(outline, blur);
  const double thickness = std::sqrt(std::clamp(-outline / (0.14 * w), 0.0, 1.0));
  double mu = 0.95 * inside * (0.3 + 0.7 * thickness);

  // Enamel: a cap over the crown, thickest over the cusps and ending at the junction.
  const double cap = tooth.enamel * (1.0 - SmoothStep(0.35 * tooth.crown, tooth.crown, p));
  if (cap > 0.0) {
    const double enamel = Coverage(crown, blur) * SmoothStep(-blur, blur, crown + cap);
    mu += 1.05 * enamel * (0.55 + 0.45 * thickness);
  }

  // A filling: far denser than enamel, with crisp margins.
  if (tooth.filled) {
    double fill = std::max({tooth.fill_q0 - q, q - tooth.fill_q1, p - tooth.fill_depth});
    fill = SmoothMax(fill, crown + 0.015 * w, 0.03 * w);
    if (fill < blur) mu += 3.2 * Coverage(fill, 0.6 * blur);
  }

  // The pulp lies well inside the outline; near the outline there is none to look for.
  if (outline > -0.015 * w) {
    out.attenuation = std::max(mu, 0.0);
    return out;
  }

  // The pulp: a chamber shaped like a smaller crown (horns under the cusps) and a canal down
  // each root; it replaces dentin, so it shows darker.
  double pulp = std::max(SmoothMax(std::fabs(q) - CrownHalfWidth(tooth, p) + tooth.chamber_side,
                                   CrownDistance(tooth, q, p - tooth.chamber_roof), 0.08 * w),
                         p - tooth.chamber_floor);
  double canals = 1e9;
  for (int i = 0; i < tooth.canal_count; ++i) {
    canals = std::min(canals, tooth.canals[static_cast<std::size_t>(i)].Distance(q, p));
  }
  pulp = SmoothMin(pulp, canals, 0.05 * w);
  if (pulp < blur) {
    const double depth = std::sqrt(std::clamp(-pulp / (0.05 * w), 0.0, 1.0));
    mu -= 0.62 * Coverage(pulp, blur) * (0.4 + 0.6 * depth) * inside;
  }

  out.attenuation = std::max(mu, 0.0);
  return out;
}

// Builds a tooth of the given kind; `unit` is the length of a premolar in pixels.
Tooth MakeTooth(Random& random, bool molar, double unit) {
  Tooth t;
  const double w = unit * (molar ? random.Between(0.47, 0.53) : random.Between(0.31, 0.35));
  t.width = w;
  t.length = unit * (molar ? random.Between(0.86, 0.94) : random.Between(0.96, 1.04));
  t.crown = unit * (molar ? random.Between(0.30, 0.33) : random.Between(0.33, 0.36));
  t.cervical = molar ? random.Between(0.39, 0.42) : random.Between(0.34, 0.37);
  const double angle = random.Between(-0.06, 0.06);
  t.sine = std::sin(angle);
  t.cosine = std::cos(angle);
  if (molar) {
    t.cusps = 2;
    const double spread = random.Between(0.19, 0.24) * w;
    const double shift = random.Between(-0.03, 0.03) * w;
    t.cusp_q = {shift - spread, shift + spread};
    t.cusp_curve = random.Between(1.2, 1.6);
  } else {
    t.cusps = 1;
    t.cusp_q = {random.Between(-0.06, 0.06) * w, 0};
    t.cusp_curve = random.Between(0.8, 1.1);
  }
  t.enamel = random.Between(0.09, 0.11) * w;
  const double neck = t.crown;
  const double apex = t.length;
  const double curve = random.Between(-0.10, 0.10) * w;  // roots bend the same way
  if (molar) {
    // A short trunk below the neck, then a mesial and a distal root.
    t.body[0] = RoundCone(0, neck - 0.05 * w, t.cervical * w, 0, neck + 0.1 * w, 0.3 * w);
    t.body_parts = 1;
    t.trunk = true;
    for (double side : {-1.0, 1.0}) {
      const double spread = random.Between(0.21, 0.25) * w;
      const double mid_depth = neck + (apex - neck) * 0.5;
      const double tip = random.Between(0.0, 0.05) * w;
      const double x0 = side * spread;
      const double x1 = side * (spread + random.Between(0.02, 0.06) * w) + curve * 0.3;
      const double x2 = side * (spread - random.Between(0.0, 0.06) * w) + curve;
      const double y0 = neck + 0.1 * w;
      const double r0 = random.Between(0.17, 0.2) * w;
      const double r1 = r0 * 0.72;
      const double r2 = 0.04 * w;
      const double y2 = apex - tip - r2;
      t.body[static_cast<std::size_t>(t.body_parts++)] = RoundCone(x0, y0, r0, x1, mid_depth, r1);
      t.body[static_cast<std::size_t>(t.body_parts++)] = RoundCone(x1, mid_depth, r1, x2, y2, r2);
      const double c0 = std::max(0.06 * w, 1.5);
      const double c2 = std::max(0.012 * w, 1.0);
      t.canals[static_cast<std::size_t>(t.canal_count++)] =
          RoundCone(x0 * 0.5, neck + 0.06 * w, c0, x1, mid_depth, c0 * 0.6);
      t.canals[static_cast<std::size_t>(t.canal_count++)] =
          RoundCone(x1, mid_depth, c0 * 0.6, x2, y2 - 0.02 * w, c2);
    }
    t.chamber_side = 0.3 * w;
    t.chamber_roof = 0.5 * t.crown;
    t.chamber_floor = neck + 0.1 * w;
  } else {
    const double mid_depth = neck + (apex - neck) * 0.55;
    const double r0 = t.cervical * w;
    const double r1 = r0 * random.Between(0.62, 0.72);
    const double r2 = 0.05 * w;
    t.body[0] = RoundCone(0, neck - 0.05 * w, r0, curve * 0.3, mid_depth, r1);
    t.body[1] = RoundCone(curve * 0.3, mid_depth, r1, curve, apex - r2, r2);
    t.body_parts = 2;
    const double c0 = std::max(0.085 * w, 1.5);
    const double c2 = std::max(0.012 * w, 1.0);
    t.canals[0] = RoundCone(0, neck - 0.1 * w, c0, curve * 0.3, mid_depth, c0 * 0.55);
    t.canals[1] = RoundCone(curve * 0.3, mid_depth, c0 * 0.55, curve, apex - 0.06 * w, c2);
    t.canal_count = 2;
    t.chamber_side = 0.31 * w;
    t.chamber_roof = 0.45 * t.crown;
    t.chamber_floor = neck;
  }
  t.reach = 0.6 * w + std::fabs(t.sine) * t.length + std::fabs(curve);
  return t;
}

}  // namespace

std::vector<std::uint16_t> SyntheticXraySamples(std::uint32_t width, std::uint32_t height,
                                                std::uint32_t seed) {
  Random random(seed);
  const double w = width;
  const double h = height;
  // Scale: a premolar (crown tip to apex) spans about 60% of the height, as on a periapical
  // sensor; very wide images get larger teeth so that only a few are drawn.
  const double unit = std::max({0.55 * h, 0.15 * w, 1.0});
  const double occlusal = h * 0.09;
  const double blur = 1.3;

  // Teeth from left to right, touching at their contacts: one to three premolars, then at most
  // three molars (bone only beyond them). The first one may stand partly outside the image.
  std::array<Tooth, 12> teeth{};
  std::size_t tooth_count = 0;
  int kind = static_cast<int>(random.Unit() * 3.0) - 1;  // below 2 premolar, 2 to 4 molar
  double x = 0;
  double previous_half = 0;
  while (tooth_count < teeth.size() && kind <= 4) {
    Tooth tooth = MakeTooth(random, kind >= 2, unit);
    x = tooth_count == 0 ? random.Between(0.1, 0.45) * tooth.width
                         : x + (previous_half + tooth.width / 2) * random.Between(0.96, 1.0);
    if (x - tooth.width / 2 > w) break;
    tooth.centre_x = x;
    tooth.top_y = occlusal + random.Between(-0.015, 0.015) * unit;
    previous_half = tooth.width / 2;
    teeth[tooth_count++] = tooth;
    ++kind;
  }
  // One restoration, on the first molar, in most images.
  for (std::size_t i = 0; i < tooth_count; ++i) {
    Tooth& tooth = teeth[i];
    if (tooth.cusps != 2) continue;
    if (random.Unit() < 0.75) {
      tooth.filled = true;
      const bool mesial = random.Unit() < 0.5;  // reaching one side of the crown, or not
      const double w0 = tooth.width;
      tooth.fill_q0 = mesial ? -0.6 * w0 : random.Between(-0.22, -0.14) * w0;
      tooth.fill_q1 = random.Between(0.08, 0.18) * w0;
      tooth.fill_depth = random.Between(0.35, 0.5) * tooth.crown;
    }
    break;
  }

  // Where the neck of the teeth lies, and the alveolar crest somewhat below it.
  double neck = occlusal + 0.33 * unit;
  const double crest_gap = 0.05 * unit;
  const std::uint32_t noise_seed = static_cast<std::uint32_t>(random.Next());
  ValueNoiseLayer crest_wave(noise_seed + 1, 0.18 * unit, 1e9, w);
  ValueNoiseLayer air_wave(noise_seed + 2, 0.25 * unit, 1e9, w);
  ValueNoiseLayer coarse(noise_seed + 3, 0.16 * unit, 0.16 * unit, w);
  ValueNoiseLayer trabecular_a(noise_seed + 4, 0.030 * unit, 0.040 * unit, w);
  ValueNoiseLayer trabecular_b(noise_seed + 5, 0.014 * unit, 0.016 * unit, w);
  // Second lattices at unrelated spacings: averaged in, they hide the lattice's grid.
  ValueNoiseLayer trabecular_c(noise_seed + 7, 0.023 * unit, 0.029 * unit, w);
  ValueNoiseLayer trabecular_d(noise_seed + 8, 0.0105 * unit, 0.0125 * unit, w);
  ValueNoiseLayer grain(noise_seed + 6, 0.006 * unit, 0.006 * unit, w);
  crest_wave.SetRow(0);
  air_wave.SetRow(0);

  std::vector<std::uint16_t> samples(std::size_t{width} * height);
  for (std::uint32_t yi = 0; yi < height; ++yi) {
    const double y = yi;
    coarse.SetRow(y);
    trabecular_a.SetRow(y);
    trabecular_b.SetRow(y);
    trabecular_c.SetRow(y);
    trabecular_d.SetRow(y);
    grain.SetRow(y);
    const double cy = 2.0 * y / h - 1.0;
    // Teeth whose vertical extent covers this row.
    std::array<const Tooth*, 12> near{};
    std::size_t near_count = 0;
    for (std::size_t i = 0; i < tooth_count; ++i) {
      if (y > teeth[i].top_y - 0.1 * unit && y < teeth[i].top_y + teeth[i].length + 0.1 * unit)
        near[near_count++] = &teeth[i];
    }
    std::uint16_t* row = samples.data() + std::size_t{yi} * width;
    for (std::uint32_t xi = 0; xi < width; ++xi) {
      const double px = xi;
      const double cx = 2.0 * px / w - 1.0;

      // Teeth: attenuations add up where neighbours overlap at their contacts.
      double teeth_mu = 0;
      double socket = 1e9;
      for (std::size_t i = 0; i < near_count; ++i) {
        if (std::fabs(px - near[i]->centre_x) > near[i]->reach) continue;
        ToothSample s = SampleTooth(*near[i], px, y, blur);
        teeth_mu += s.attenuation;
        socket = std::min(socket, s.distance);
      }

      // Soft tissue: air above the lip line, cheek and gingiva below it.
      const double air_line = h * 0.015 + (air_wave.At(px) - 0.3) * 0.08 * unit;
      const double soft_mu =
          0.3 * SmoothStep(air_line, air_line + 0.07 * unit, y) * (0.85 + 0.3 * coarse.At(px));

      // Bone below the crest: trabeculae (bright struts around dark marrow spaces), densest
      // in the middle of the image, with the periodontal space (dark) and lamina dura (a bright
      // cortical line) along every root.
      const double crest = neck + crest_gap + (crest_wave.At(px) - 0.5) * 0.04 * unit;
      double bone_mu = 0;
      if (y > crest - 3.0 * blur) {
        const double below = SmoothStep(crest - blur, crest + blur, y);
        const double ta = 1.0 - std::fabs(trabecular_a.At(px) + trabecular_c.At(px) - 1.0);
        const double tb = 1.0 - std::fabs(trabecular_b.At(px) + trabecular_d.At(px) - 1.0);
        const double texture =
            0.5 * (ta * ta) * (ta * ta) + 0.3 * tb * tb * tb + 0.2 * grain.At(px);
        const double falloff = 1.0 - 0.3 * (cx * cx + 0.6 * cy * cy);
        const double depth = std::clamp((y - crest) / (0.6 * unit), 0.0, 1.0);
        double density =
            (0.42 + 0.7 * texture) * (0.85 + 0.3 * coarse.At(px)) * falloff * (0.9 + 0.25 * depth);
        // Along the crest itself a thin cortical layer.
        density += 0.35 * SmoothStep(crest - blur, crest + blur, y) *
                   SmoothStep(crest + 0.02 * unit, crest + 0.005 * unit, y);
        const double ligament = 0.004 * unit + 1.0;
        const double dura = 0.006 * unit + 1.5;
        const double outside = SmoothStep(ligament - blur, ligament + blur, socket);
        const double lamina =
            outside * SmoothStep(ligament + dura + blur, ligament + dura - blur, socket);
        // Over the root the buccal and lingual plates still show, thinner.
        const double plates = 0.35 * SmoothStep(crest, crest + 0.1 * unit, y);
        const double amount = plates + (1.0 - plates) * outside;
        bone_mu = below * (density * amount + 0.3 * lamina);
      }

      const double mu = soft_mu + bone_mu + teeth_mu;
      // Exposure: the heel effect dims one side; the field falls off towards the corners.
      const double exposure = (1.0 - 0.07 * cx) * (1.0 - 0.05 * (cx * cx + cy * cy));
      const double transmitted = exposure * std::exp(-mu);
      // Sensor noise: quantum noise (strongest where much radiation arrives) and read noise.
      const std::uint32_t n = LatticeHash(xi, yi, seed ^ 0x5EED5EEDu);
      const double noise = ((n & 0xFFFF) + (n >> 16)) * (1.0 / 65536.0) - 1.0;
      double value = 0.04 + 0.94 * (1.0 - transmitted);
      value += noise * (0.006 + 0.012 * std::sqrt(std::max(transmitted, 0.0)));
      row[xi] = static_cast<std::uint16_t>(std::clamp(value, 0.0, 1.0) * kSampleMax + 0.5);
    }
  }
  return samples;
}

std::vector<std::uint16_t> DisplayLookupTable(std::uint32_t entries) {
  std::vector<std::uint16_t> lut(entries);
  for (std::uint32_t i = 0; i < entries; ++i) {
    double t = std::min<double>(i, kSampleMax) / kSampleMax;
    lut[i] = static_cast<std::uint16_t>(std::pow(t, 0.8) * 65535.0 + 0.5);
  }
  return lut;
}

Image MakeExposureImage(std::uint32_t width, std::uint32_t height, unsigned bits,
                        std::uint32_t lut_entries, std::uint32_t seed) {
  Image image;
  image.width = width;
  image.height = height;
  image.bits = 16;
  image.samples = SyntheticXraySamples(width, height, seed);
  image.lut = DisplayLookupTable(lut_entries);
  if (bits == 8) {
    // What an 8-bit sensor mode delivers: the displayed grey levels.
    for (std::uint16_t& sample : image.samples) sample = image.Display(sample);
    image.bits = 8;
    image.lut.clear();
    image.palette = LinearGreyPalette();
  }
  return image;
}

}  // namespace hostsim
