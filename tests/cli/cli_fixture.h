#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "emulator/emulated_device.h"

// What a run of the program left: its exit status and everything it wrote.
struct Outcome
{
    int status;
    std::string out;
    std::string err;
};

std::string ReadFile(const std::filesystem::path& path);
std::string Quoted(const std::string& text);

// The real sonavire-cli in a folder of the test's own, beside an emulated device on a
// pseudo-terminal.
class CliFixture : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    void StartDevice(EmulatorOptions options);
    // Runs the program on the emulated device's port; prefix goes before it on the command line.
    Outcome Run(const std::string& arguments, const std::string& prefix = "");
    // Runs a shell command line with its output and errors caught and no input.
    Outcome RunCommand(const std::string& commandLine);

    std::filesystem::path folder;
    std::unique_ptr<CEmulatedDevice> device;
};
