#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// What became of one frame the panel sent.
struct FrameOutcome
{
    enum class Kind
    {
        PageAccepted,
        PageRejected, // wrong page number or checksum: the transfer is over
        End,          // the end frame: the image is complete
    };

    Kind kind;
    int page = 0;
    std::uint8_t checksum = 0; // as sent in the frame
};

// The bootloader's side of a firmware transfer: pages must come in order from page 0, each
// with the right checksum, until the end frame.
class CBootloader
{
public:
    // The number of bytes of the frame that starts with begun: the end frame is two bytes.
    static std::size_t FrameLength(std::string_view begun);

    void Begin();
    void Leave() { running = false; }
    FrameOutcome Accept(std::string_view frame);

    bool Running() const { return running; }
    bool Complete() const { return complete; }
    int PagesReceived() const { return pages; }
    const std::vector<std::uint8_t>& Image() const { return image; }

private:
    std::vector<std::uint8_t> image;
    int pages = 0;
    bool running = false;
    bool complete = false;
};
