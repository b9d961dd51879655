// What the engine's tests share: the default instance of the test program's prefix, created once,
// sessions on it, and small helpers that fill a database or read it back.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/engine.h"
#include "test_support.h"

namespace enginetest {

// Creates the default instance the first time a test needs it.
void EnsureDefaultInstance();

std::unique_ptr<tvengine::Session> Admin();

// A database with a table t(id, marker, filler) of about `megabytes` of rows.
void MakeDatabase(tvengine::Session& session, const std::string& name, const std::string& marker,
                  int megabytes = 0);
std::string Marker(tvengine::Session& session, const std::string& name);

// The error number a call throws, or 0 when it does not throw.
template <typename F> int ErrorOf(F&& call) {
    try {
        call();
    } catch (const tvengine::Error& error) {
        return error.Number();
    }
    return 0;
}

template <typename F> std::string MessageOf(F&& call) {
    try {
        call();
    } catch (const tvengine::Error& error) {
        return error.Message();
    }
    return {};
}

std::string ReadFile(const std::string& path);

} // namespace enginetest
