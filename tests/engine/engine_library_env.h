// For tests linked with the engine's code itself rather than its library: what the
// library does when it is loaded and unloaded, done around the test run.
#pragma once

#include "engine_internal.h"

#include <gtest/gtest.h>

class EngineLibraryEnvironment : public ::testing::Environment {
public:
  void SetUp() override { EngineLibraryLoad(GetModuleHandleA(nullptr)); }
  void TearDown() override { EngineLibraryUnload(); }
};

inline const auto* const EngineLibraryInstance = ::testing::AddGlobalTestEnvironment(new EngineLibraryEnvironment);
