// Base of everything a GDI handle can stand for. Objects are shared: the handle table holds one
// reference, a DC holds one for each object selected into it, and a call that is drawing holds
// its own, so deleting a handle never frees pixels or a face that another thread is using.
#pragma once

class CGdiObject {
 public:
  enum class Type { Bitmap, Brush, Font, Region, Dc };

  explicit CGdiObject(Type type) : m_Type(type) {}
  virtual ~CGdiObject() = default;
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  Type GetType() const { return m_Type; }

 private:
  const Type m_Type;
};
