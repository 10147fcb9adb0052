#pragma once

namespace platform {

// Screen geometry in points: x to the right, y downwards.
struct Point {
  double x = 0;
  double y = 0;
};

struct Size {
  double width = 0;
  double height = 0;
};

struct Rect {
  Point origin;
  Size size;

  double minX() const { return origin.x; }
  double minY() const { return origin.y; }
  double maxX() const { return origin.x + size.width; }
  double maxY() const { return origin.y + size.height; }
  double midX() const { return origin.x + size.width * 0.5; }
  double midY() const { return origin.y + size.height * 0.5; }
  bool isEmpty() const { return size.width <= 0 || size.height <= 0; }
  bool contains(Point p) const {
    return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
  }
};

inline Rect RectMake(double x, double y, double w, double h) {
  return Rect{{x, y}, {w, h}};
}
inline Point PointMake(double x, double y) {
  return Point{x, y};
}
// Margins inside a rectangle, as buttons use them around their content.
struct EdgeInsets {
  double top = 0;
  double left = 0;
  double bottom = 0;
  double right = 0;
};

inline Rect insetRect(const Rect& r, const EdgeInsets& e) {
  return RectMake(r.origin.x + e.left, r.origin.y + e.top, r.size.width - e.left - e.right,
                  r.size.height - e.top - e.bottom);
}

// A 2-D affine map: x' = a x + c y + tx, y' = b x + d y + ty.
struct AffineTransform {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
};

inline AffineTransform AffineTransformMakeTranslation(double tx, double ty) {
  return AffineTransform{1, 0, 0, 1, tx, ty};
}
// t1 then t2: the point goes through t1 first.
inline AffineTransform AffineTransformConcat(const AffineTransform& t1, const AffineTransform& t2) {
  return AffineTransform{t1.a * t2.a + t1.b * t2.c,           t1.a * t2.b + t1.b * t2.d,
                         t1.c * t2.a + t1.d * t2.c,           t1.c * t2.b + t1.d * t2.d,
                         t1.tx * t2.a + t1.ty * t2.c + t2.tx, t1.tx * t2.b + t1.ty * t2.d + t2.ty};
}
inline Point PointApplyAffineTransform(Point p, const AffineTransform& t) {
  return Point{t.a * p.x + t.c * p.y + t.tx, t.b * p.x + t.d * p.y + t.ty};
}

}  // namespace platform
