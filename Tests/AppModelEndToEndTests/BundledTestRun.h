#pragma once

// Runs tests of this program inside the application's bundle. The daemon
// serves only code signed as the application, and the model checks the
// bundle it runs from, so each test runs in a process of its own whose
// executable is a copy of this program in a freshly signed copy of the built
// Tallowmere.app, installed in the /Applications of a simulated root of its
// own (SIMMAC_ROOT; the test starts simmac there). Also keeps every test in
// a process of its own, which the process-wide SMC connection needs.
namespace BundledTestRun {

// The main function of such a program. In such a copy, or when only listing
// the tests, `runHere` runs them in this process and its answer is the
// program's. Otherwise lists the tests that `argv` selects, runs each as
// above with the same arguments but its own filter, and answers 0 when all
// passed.
int run(int argc, char** argv, int (*runHere)(int argc, char** argv));

}  // namespace BundledTestRun
