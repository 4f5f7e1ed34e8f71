// The runner's state dump: one JSON object describing what a tester needs to check.
#pragma once
#include <string>

std::string StateDumpJson();
