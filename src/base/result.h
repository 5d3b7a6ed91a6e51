#pragma once

#include <QString>

#include <cstdint>
#include <utility>
#include <variant>

// Why an operation on a file failed: what went wrong and, for parsers, where in the bytes.
// code is a number a caller may act on: errno for a call to the system, the field's number
// for the settings record; 0 where there is none.
struct Error
{
    QString message;
    int64_t offset = -1;
    int code = 0;
};

// The value of an operation that may fail, or the reason it did. A result is never dropped
// unnoticed: where one is ignored on purpose, the code says so with std::ignore.
template <typename T> class [[nodiscard]] Result
{
public:
    Result(T value) : m_content(std::move(value)) {}
    Result(Error error) : m_content(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(m_content); }
    explicit operator bool() const { return ok(); }
    const T &value() const & { return std::get<T>(m_content); }
    T &&value() && { return std::get<T>(std::move(m_content)); }
    const T &operator*() const & { return value(); }
    const T *operator->() const { return &value(); }
    const Error &error() const { return std::get<Error>(m_content); }

private:
    std::variant<T, Error> m_content;
};

// An operation that yields nothing but may fail.
struct Done
{
};
using Status = Result<Done>;
