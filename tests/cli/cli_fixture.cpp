#include "tests/cli/cli_fixture.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string Quoted(const std::string& text)
{
    return "'" + text + "'";
}

void CliFixture::SetUp()
{
    folder =
        fs::temp_directory_path() / ("cli-test-" + std::to_string(getpid()) + "-" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder);
    StartDevice({});
}

void CliFixture::TearDown()
{
    device.reset();
    fs::remove_all(folder);
}

void CliFixture::StartDevice(EmulatorOptions options)
{
    device = std::make_unique<CEmulatedDevice>(std::move(options));
    std::string error;
    ASSERT_TRUE(device->Start(error)) << error;
}

Outcome CliFixture::Run(const std::string& arguments, const std::string& prefix)
{
    return RunCommand(prefix + SONAVIRE_CLI_PATH + std::string(" --port ") +
                      Quoted(device->PortPath()) + " " + arguments);
}

Outcome CliFixture::RunCommand(const std::string& commandLine)
{
    const fs::path out = folder / "stdout", err = folder / "stderr";
    const std::string command =
        commandLine + " >" + Quoted(out) + " 2>" + Quoted(err) + " </dev/null";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(out), ReadFile(err)};
}
