// A level, a solver and its text buffer, shared by the solver's tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "solver/solver.h"

namespace vk {

struct SolverFixture : ::testing::Test {
  std::unique_ptr<Level> level = std::make_unique<Level>();
  std::unique_ptr<Solver> solver = std::make_unique<Solver>();
  std::vector<char> text = std::vector<char>(TextBufferSize, 0);

  void SetUp() override {
    ASSERT_TRUE(reserve_search_tables());
    solver->trace = text.data();
  }
  // Parses a level that must be ready to solve and forgets the last solve.
  void read(const std::string& map) {
    ASSERT_EQ(parse_level(*level, map.data(), int32_t(map.size())), LevelOk) << map;
    clear_solve_results(*solver);
  }
};

}  // namespace vk
