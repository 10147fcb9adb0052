#pragma once

#include "platform/Geometry.h"

namespace platform {

// A layer transform: a 4×4 matrix acting on row vectors, p' = p · M, in the
// layer's coordinates relative to its centre. Composition follows the layer
// API the screens are written against: Transform3DRotate(t, ...) and
// Transform3DTranslate(t, ...) put the new step *before* t, so the step added
// last is the first to act on a point.
struct Transform3D {
  double m11 = 1, m12 = 0, m13 = 0, m14 = 0;
  double m21 = 0, m22 = 1, m23 = 0, m24 = 0;
  double m31 = 0, m32 = 0, m33 = 1, m34 = 0;
  double m41 = 0, m42 = 0, m43 = 0, m44 = 1;

  bool operator==(const Transform3D&) const = default;
};

extern const Transform3D Transform3DIdentity;

bool Transform3DIsIdentity(const Transform3D& t);
// a then b: p · a · b.
Transform3D Transform3DConcat(const Transform3D& a, const Transform3D& b);
Transform3D Transform3DMakeTranslation(double tx, double ty, double tz);
// Rotation by `angle` radians about the axis (x, y, z); about (0, 0, 1) a
// positive angle turns clockwise on the y-down screen.
Transform3D Transform3DMakeRotation(double angle, double x, double y, double z);
// Translation applied before t.
Transform3D Transform3DTranslate(const Transform3D& t, double tx, double ty, double tz);
// Rotation applied before t.
Transform3D Transform3DRotate(const Transform3D& t, double angle, double x, double y, double z);

// Where the transform takes a point of the plane z = 0 (layer-centre relative).
Point Transform3DApply(const Transform3D& t, Point p);
// The inverse of the transform's action on the plane z = 0; false when it
// collapses the plane (e.g. scaled to zero).
bool Transform3DInvertApply(const Transform3D& t, Point p, Point* out);

// The in-between transform at fraction f of the way from a to b, as layer
// animations show it: between two turns that agree on where one point goes,
// that point stays put (a needle swinging about its pivot does not wobble);
// otherwise rotation, scale and translation are interpolated separately.
Transform3D Transform3DInterpolate(const Transform3D& a, const Transform3D& b, double f);

}  // namespace platform
