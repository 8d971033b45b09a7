#pragma once

#include "TestSupport/SimmacProcess.h"

#include <string>
#include <vector>

// One simmac for the whole test program: the SMC library keeps one
// connection per process, made on first use, so every test of the program
// talks to the same simulated Mac and chooses its model at the start.
class SharedSimmac {
public:
    static testsupport::SimmacProcess& process();

    // Switches to `model` afresh (keys, battery and registry as the model
    // file gives them) and forgets the SMC key information of the last one.
    static void useModel(const std::string& model);

    // Runs simmacctl and fails the test when it does not succeed.
    static std::string control(const std::vector<std::string>& arguments);
};
