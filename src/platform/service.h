// Process-wide selection of a platform service.
//
// Every service of the platform layer is an abstract class with one native implementation per
// platform. Callers reach it through `Service<T>::Get()`, which answers the native instance unless
// a test has installed a replacement (a fake that records calls or fails the Nth one). A
// `ScopedService<T>` installs a replacement for the lifetime of a scope and restores the previous
// one afterwards. Not thread-safe: the program runs on one thread.
#pragma once

namespace radlyn::platform {

template <typename T>
class Service {
 public:
  static T& Get() { return replacement_ != nullptr ? *replacement_ : T::Native(); }
  static T* Replace(T* replacement) {
    T* previous = replacement_;
    replacement_ = replacement;
    return previous;
  }

 private:
  static inline T* replacement_ = nullptr;
};

template <typename T>
class ScopedService {
 public:
  explicit ScopedService(T& replacement) : previous_(Service<T>::Replace(&replacement)) {}
  ~ScopedService() { Service<T>::Replace(previous_); }
  ScopedService(const ScopedService&) = delete;
  ScopedService& operator=(const ScopedService&) = delete;

 private:
  T* previous_;
};

}  // namespace radlyn::platform
