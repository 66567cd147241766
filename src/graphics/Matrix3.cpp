#include "graphics/Matrix3.h"

#include <cmath>
#include <numbers>

Matrix3::Matrix3() { LoadIdentity(); }

Matrix3::Matrix3(bool identity) {
  for (float& v : m) v = 0;
  if (identity) LoadIdentity();
}

void Matrix3::LoadIdentity() {
  for (float& v : m) v = 0;
  m[0] = m[4] = m[8] = 1;
}

Matrix3& Matrix3::Multiply(const Matrix3& o, Matrix3& r) const {
  float t[9];
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col)
      t[row * 3 + col] = m[row * 3] * o.m[col] + m[row * 3 + 1] * o.m[3 + col] + m[row * 3 + 2] * o.m[6 + col];
  for (int i = 0; i < 9; ++i) r.m[i] = t[i];
  return r;
}

Matrix3 Matrix3::operator*(const Matrix3& o) const {
  Matrix3 r;
  Multiply(o, r);
  return r;
}

Matrix3& Matrix3::Translate(float tx, float ty) {
  Matrix3 t;
  t.m[2] = tx;
  t.m[5] = ty;
  t.Multiply(*this, *this);
  return *this;
}

Matrix3& Matrix3::Scale(float sx, float sy) {
  Matrix3 s;
  s.m[0] = sx;
  s.m[4] = sy;
  s.Multiply(*this, *this);
  return *this;
}

Matrix3& Matrix3::RotateRad(float angle) {
  Matrix3 r;
  float c = std::cos(angle), s = std::sin(angle);
  r.m[0] = c;
  r.m[1] = s;
  r.m[3] = -s;
  r.m[4] = c;
  r.Multiply(*this, *this);
  return *this;
}

Matrix3& Matrix3::RotateDeg(float degrees) { return RotateRad(degrees * float(std::numbers::pi) / 180.0f); }

Vesk::VeskVector2 Matrix3::TransformPoint(const Vesk::VeskVector2& p) const {
  return Vesk::VeskVector2(m[0] * p.x + m[1] * p.y + m[2], m[3] * p.x + m[4] * p.y + m[5]);
}

bool Matrix3::Invert(Matrix3& r) const {
  double det = double(m[0]) * m[4] - double(m[1]) * m[3];
  if (det == 0 || !std::isfinite(det)) {
    r.LoadIdentity();
    return false;
  }
  double a = m[4] / det, b = -m[1] / det, c = -m[3] / det, d = m[0] / det;
  Matrix3 t;
  t.m[0] = float(a);
  t.m[1] = float(b);
  t.m[3] = float(c);
  t.m[4] = float(d);
  t.m[2] = float(-(a * m[2] + b * m[5]));
  t.m[5] = float(-(c * m[2] + d * m[5]));
  r = t;
  return true;
}

bool Matrix3::operator==(const Matrix3& o) const {
  for (int i = 0; i < 9; ++i)
    if (m[i] != o.m[i]) return false;
  return true;
}

Transform2D::Transform2D() { Reset(); }

void Transform2D::Reset() {
  mTransX1 = mTransY1 = mTransX2 = mTransY2 = 0;
  mScaleX = mScaleY = 1;
  mRot = 0;
  mComplex = false;
  mNeedCalc = true;
}

void Transform2D::Translate(float tx, float ty) {
  if (!mComplex) {
    mTransX1 += tx;
    mTransY1 += ty;
  } else {
    mTransX2 += tx;
    mTransY2 += ty;
  }
  mNeedCalc = true;
}

void Transform2D::Scale(float sx, float sy) {
  mScaleX *= sx;
  mScaleY *= sy;
  mComplex = true;
  mNeedCalc = true;
}

void Transform2D::RotateRad(float angle) {
  mRot += angle;
  mComplex = true;
  mNeedCalc = true;
}

void Transform2D::RotateDeg(float degrees) { RotateRad(degrees * float(std::numbers::pi) / 180.0f); }

const Matrix3& Transform2D::GetMatrix() const {
  if (mNeedCalc) {
    mMatrix.LoadIdentity();
    mMatrix.Translate(mTransX1, mTransY1);
    if (mScaleX != 1 || mScaleY != 1) mMatrix.Scale(mScaleX, mScaleY);
    if (mRot != 0) mMatrix.RotateRad(mRot);
    mMatrix.Translate(mTransX2, mTransY2);
    mNeedCalc = false;
  }
  return mMatrix;
}
