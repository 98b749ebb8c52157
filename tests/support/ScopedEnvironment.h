// An environment variable set for the life of a scope: what it held before
// (or that it was not set) comes back when the scope ends, also when a test
// fails half-way.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>

class ScopedEnvironment {
  public:
    // nullptr unsets the variable.
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = getenv(name)) saved_ = old;
        Set(value);
    }
    ~ScopedEnvironment() { Set(saved_ ? saved_->c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void Set(const char* value) {
#ifdef _WIN32
        _putenv_s(name_.c_str(), value != nullptr ? value : "");  // "" unsets it there
#else
        if (value != nullptr)
            setenv(name_.c_str(), value, 1);
        else
            unsetenv(name_.c_str());
#endif
    }

  private:
    std::string name_;
    std::optional<std::string> saved_;
};
