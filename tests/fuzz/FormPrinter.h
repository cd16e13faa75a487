// Writes a parsed form definition back in its text format, and tells whether
// two definitions hold the same content, so the form fuzzer can check that
// printing and parsing again gives the definition back.
#pragma once

#include "FormDefinition.h"

#include <string>

std::string PrintFormDefinition(const FormDefinition& definition);

// Empty when both hold the same names, classes and properties in the same
// order; otherwise where they first differ. Line numbers are not compared.
std::string FirstDifference(const FormDefinition& left, const FormDefinition& right);
