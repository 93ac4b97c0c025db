#pragma once

#include <QString>

#include <exception>
#include <optional>
#include <utility>

// An error as the program reports it: a number, the name of the operation or library that
// raised it, and a readable description. Library codes become such errors carrying the
// library's own text. It is thrown only where an operation raises to its caller (for
// example a WAV header size overflow); elsewhere it travels as a value.
class VortanError : public std::exception {
  public:
    VortanError() = default;
    VortanError(int number, QString source, QString description)
        : number_(number), source_(std::move(source)), description_(std::move(description)),
          what_(description_.toUtf8()) {}

    int number() const { return number_; }
    const QString& source() const { return source_; }
    const QString& description() const { return description_; }
    const char* what() const noexcept override { return what_.constData(); }

    // Well-known numbers the program raises itself.
    static constexpr int Overflow = 6;
    static constexpr int InvalidArgument = 5;
    static constexpr int FileNotFound = 53;
    static constexpr int PathAccess = 75;
    static constexpr int ProcessorFault = 10000;

  private:
    int number_ = 0;
    QString source_;
    QString description_;
    QByteArray what_;
};

// The value of an operation that either gives a T or fails with a VortanError.
template <typename T> class Result {
  public:
    Result(T value) : value_(std::move(value)) {}
    Result(VortanError error) : error_(std::move(error)) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const { return *value_; }
    T& value() { return *value_; }
    const T* operator->() const { return &*value_; }
    const VortanError& error() const { return error_; }

  private:
    std::optional<T> value_;
    VortanError error_;
};
