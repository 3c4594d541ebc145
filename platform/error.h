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

// "List index out of bounds (%d)": an index outside a collection.
class EListError : public Error {
  public:
    explicit EListError(int index)
        : Error("List index out of bounds (" + std::to_string(index) + ")") {}
    explicit EListError(const std::string& message) : Error(message) {}
};

}  // namespace prismcrate
