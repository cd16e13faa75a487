// What the bench driver prints: one "result <key> <value>" line per figure,
// which run-bench.sh gathers into the table, and "fail <what>" lines for
// machinery that did not work.
#pragma once

#include <string>
#include <vector>

void Result(const std::string& key, double value);
void Result(const std::string& key, const std::vector<double>& samples);  // every sample, for the record
void Failure(const std::string& what);
int Failures();
