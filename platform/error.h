// The exception type of the program's own errors. Its message is the text shown to the
// user by the application's error box.
#pragma once

#include <stdexcept>
#include <string>

namespace prismcrate {

class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// "Cannot open file %s" and "Cannot create file %s".
class EFOpenError : public Error {
  public:
    explicit EFOpenError(const std::string& fileName) : Error("Cannot open file " + fileName) {}
};
class EFCreateError : public Error {
  public:
    explicit EFCreateError(const std::string& fileName) : Error("Cannot create file " + fileName) {}
};

}  // namespace prismcrate
