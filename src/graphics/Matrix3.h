#pragma once
#include "graphics/VeskVector2.h"

// 3 x 3 float matrix, row-major. A point (x, y) maps to (m0 x + m1 y + m2, m3 x + m4 y + m5).
// Translate, Scale and the rotations pre-multiply: each new step applies after the ones already
// in the matrix.
class Matrix3 {
 public:
  float m[9];

  // The identity.
  Matrix3();
  // The identity when the flag is set; all zero otherwise (a matrix the caller fills itself).
  explicit Matrix3(bool identity);

  void LoadIdentity();
  // this x other into result; returns the result. The product applies `other` first.
  Matrix3& Multiply(const Matrix3& other, Matrix3& result) const;
  Matrix3 operator*(const Matrix3& other) const;

  // matrix := T(tx, ty) x matrix.
  Matrix3& Translate(float tx, float ty);
  // matrix := S(sx, sy) x matrix.
  Matrix3& Scale(float sx, float sy);
  // matrix := R(angle) x matrix. With y pointing down, a positive angle turns the picture
  // counter-clockwise on screen: (1, 0) goes to (cos a, -sin a).
  Matrix3& RotateRad(float angle);
  Matrix3& RotateDeg(float degrees);

  Vesk::VeskVector2 TransformPoint(const Vesk::VeskVector2& p) const;
  // Inverse of the affine part; false (and the identity) when it is singular.
  bool Invert(Matrix3& result) const;

  bool operator==(const Matrix3& o) const;
};

// A 2-D transform made of a first translation, a scale, a rotation and a second translation,
// applied in that order; the matrix is built only when asked for after a change.
class Transform2D {
 public:
  Transform2D();
  void Reset();
  // A translation before the scale and rotation when no scale or rotation was set yet,
  // after them otherwise.
  void Translate(float tx, float ty);
  void Scale(float sx, float sy);
  void RotateRad(float angle);
  void RotateDeg(float degrees);
  const Matrix3& GetMatrix() const;
  bool IsComplex() const { return mComplex; }

 private:
  float mTransX1, mTransY1, mTransX2, mTransY2, mScaleX, mScaleY, mRot;
  bool mComplex;
  mutable bool mNeedCalc;
  mutable Matrix3 mMatrix;
};
