#pragma once
// The message of the error an operation throws, for tables of inputs that must each be refused.

#include "base/Error.h"

#include <gtest/gtest.h>

#include <string>

namespace zr48::test {

// The message of the zr48::Error that `operation` throws; empty, and a failure of the running
// test, when it throws none.
template <class Operation>
std::string thrownMessage(Operation&& operation)
{
    try {
        operation();
    } catch (const Error& e) {
        return e.message();
    }
    ADD_FAILURE() << "no error was thrown";
    return {};
}

} // namespace zr48::test
