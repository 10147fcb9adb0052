#include "platform/Transform3D.h"

#include <cmath>
#include <initializer_list>

namespace platform {

const Transform3D Transform3DIdentity{};

namespace {
constexpr double kEpsilon = 1e-9;

double at(const Transform3D& t, int r, int c) {
  const double* m = &t.m11;
  return m[r * 4 + c];
}
double& at(Transform3D& t, int r, int c) {
  double* m = &t.m11;
  return m[r * 4 + c];
}

// The plane part of a transform: rotation angle, uniform-ish scale and
// translation, enough for the turns and moves the screens make.
struct Planar {
  double angle;
  double sx;
  double sy;
  double tx;
  double ty;
};

Planar decompose(const Transform3D& t) {
  Planar p;
  p.sx = std::hypot(t.m11, t.m12);
  p.angle = std::atan2(t.m12, t.m11);
  // The second row's length along the rotated y axis keeps the sign of a flip.
  double c = std::cos(p.angle), s = std::sin(p.angle);
  p.sy = -s * t.m21 + c * t.m22;
  p.tx = t.m41;
  p.ty = t.m42;
  return p;
}

Transform3D compose(const Planar& p) {
  Transform3D t;
  double c = std::cos(p.angle), s = std::sin(p.angle);
  t.m11 = c * p.sx;
  t.m12 = s * p.sx;
  t.m21 = -s * p.sy;
  t.m22 = c * p.sy;
  t.m41 = p.tx;
  t.m42 = p.ty;
  return t;
}

bool isPlanar(const Transform3D& t) {
  return std::abs(t.m13) < kEpsilon && std::abs(t.m23) < kEpsilon && std::abs(t.m31) < kEpsilon &&
         std::abs(t.m32) < kEpsilon && std::abs(t.m14) < kEpsilon && std::abs(t.m24) < kEpsilon &&
         std::abs(t.m34) < kEpsilon && std::abs(t.m43) < kEpsilon && std::abs(t.m44 - 1) < kEpsilon;
}

// The point that two rigid turns (scale 1, different angles) take to the same
// place: a needle turned to two angles about its pivot agrees on the pivot.
// Solves p · (Ra - Rb) = tb - ta.
bool commonPoint(const Planar& a, const Planar& b, Point* out) {
  for (const Planar* p : {&a, &b})
    if (std::abs(p->sx - 1) > 1e-6 || std::abs(p->sy - 1) > 1e-6) return false;
  double ca = std::cos(a.angle), sa = std::sin(a.angle);
  double cb = std::cos(b.angle), sb = std::sin(b.angle);
  // Row vector (x, y) times [[c, s], [-s, c]] differences.
  double d11 = ca - cb, d12 = sa - sb, d21 = -(sa - sb), d22 = ca - cb;
  double det = d11 * d22 - d12 * d21;
  if (std::abs(det) < 1e-12) return false;
  double rx = b.tx - a.tx, ry = b.ty - a.ty;
  // x d11 + y d21 = rx;  x d12 + y d22 = ry
  out->x = (rx * d22 - ry * d21) / det;
  out->y = (ry * d11 - rx * d12) / det;
  return true;
}

double lerp(double a, double b, double f) {
  return a + (b - a) * f;
}
}  // namespace

bool Transform3DIsIdentity(const Transform3D& t) {
  const Transform3D& id = Transform3DIdentity;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (std::abs(at(t, r, c) - at(id, r, c)) > kEpsilon) return false;
  return true;
}

Transform3D Transform3DConcat(const Transform3D& a, const Transform3D& b) {
  Transform3D out;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += at(a, r, k) * at(b, k, c);
      at(out, r, c) = sum;
    }
  }
  return out;
}

Transform3D Transform3DMakeTranslation(double tx, double ty, double tz) {
  Transform3D t;
  t.m41 = tx;
  t.m42 = ty;
  t.m43 = tz;
  return t;
}

Transform3D Transform3DMakeRotation(double angle, double x, double y, double z) {
  double len = std::sqrt(x * x + y * y + z * z);
  if (len < kEpsilon) return Transform3DIdentity;
  x /= len;
  y /= len;
  z /= len;
  double c = std::cos(angle), s = std::sin(angle), C = 1 - c;
  // Row-vector form of the axis-angle rotation; about z it is
  // [c s; -s c], so (0, -1) turns towards +x for a positive angle.
  Transform3D t;
  t.m11 = x * x * C + c;
  t.m12 = x * y * C + z * s;
  t.m13 = x * z * C - y * s;
  t.m21 = y * x * C - z * s;
  t.m22 = y * y * C + c;
  t.m23 = y * z * C + x * s;
  t.m31 = z * x * C + y * s;
  t.m32 = z * y * C - x * s;
  t.m33 = z * z * C + c;
  return t;
}

Transform3D Transform3DTranslate(const Transform3D& t, double tx, double ty, double tz) {
  return Transform3DConcat(Transform3DMakeTranslation(tx, ty, tz), t);
}

Transform3D Transform3DRotate(const Transform3D& t, double angle, double x, double y, double z) {
  return Transform3DConcat(Transform3DMakeRotation(angle, x, y, z), t);
}

Point Transform3DApply(const Transform3D& t, Point p) {
  double x = p.x * t.m11 + p.y * t.m21 + t.m41;
  double y = p.x * t.m12 + p.y * t.m22 + t.m42;
  double w = p.x * t.m14 + p.y * t.m24 + t.m44;
  if (std::abs(w) > kEpsilon && std::abs(w - 1) > kEpsilon) {
    x /= w;
    y /= w;
  }
  return Point{x, y};
}

bool Transform3DInvertApply(const Transform3D& t, Point p, Point* out) {
  double det = t.m11 * t.m22 - t.m12 * t.m21;
  if (std::abs(det) < kEpsilon) return false;
  double x = p.x - t.m41, y = p.y - t.m42;
  out->x = (x * t.m22 - y * t.m21) / det;
  out->y = (y * t.m11 - x * t.m12) / det;
  return true;
}

Transform3D Transform3DInterpolate(const Transform3D& a, const Transform3D& b, double f) {
  if (f <= 0) return a;
  if (f >= 1) return b;
  if (!isPlanar(a) || !isPlanar(b)) {
    Transform3D out;
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c) at(out, r, c) = lerp(at(a, r, c), at(b, r, c), f);
    return out;
  }
  Planar pa = decompose(a), pb = decompose(b);
  // Take the shorter way round.
  double delta = std::remainder(pb.angle - pa.angle, 2 * M_PI);
  Planar p;
  p.angle = pa.angle + delta * f;
  p.sx = lerp(pa.sx, pb.sx, f);
  p.sy = lerp(pa.sy, pb.sy, f);
  Point q;
  if (commonPoint(pa, pb, &q)) {
    // Keep the shared point where both put it: t = Q - q · R.
    double ca = std::cos(pa.angle), sa = std::sin(pa.angle);
    Point image{q.x * ca - q.y * sa + pa.tx, q.x * sa + q.y * ca + pa.ty};
    double c = std::cos(p.angle), s = std::sin(p.angle);
    p.tx = image.x - (q.x * c - q.y * s);
    p.ty = image.y - (q.x * s + q.y * c);
  } else {
    p.tx = lerp(pa.tx, pb.tx, f);
    p.ty = lerp(pa.ty, pb.ty, f);
  }
  return compose(p);
}

}  // namespace platform
