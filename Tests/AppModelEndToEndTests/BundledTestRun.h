#pragma once

#include <string>
#include <vector>

// Runs tests of this program inside the application's bundle. The daemon
// serves only code signed as the application, and the model checks the
// bundle it runs from, so each test runs in a process of its own whose
// executable is a copy of this program in a freshly signed copy of the built
// Tallowmere.app, installed in the /Applications of a simulated root of its
// own (SIMMAC_ROOT; the test starts simmac there). Also keeps every test in
// a process of its own, which the process-wide SMC connection needs.
namespace BundledTestRun {

// Whether this process is such a copy.
bool isInsideBundle();

// Lists the tests that `arguments` (this program's, without argument 0)
// select, runs each as above with the same arguments but its own filter, and
// answers 0 when all passed.
int runEachInsideBundle(const std::vector<std::string>& arguments);

}  // namespace BundledTestRun
