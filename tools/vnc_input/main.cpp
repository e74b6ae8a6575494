// Types keys and moves the pointer of a desktop through its VNC server: one
// connection (RFB 3.8, no authentication) for the whole script read from
// standard input, so that the desktop sees one keyboard and one pointer.
//
//   stakor-vnc-input HOST PORT < script
//   stakor-vnc-input /PATH/OF/SOCKET < script     (a server on a local socket)
//
// Script lines (blank lines and lines starting with # are skipped):
//   key NAME        press and release a key    down NAME / up NAME
//   type TEXT       the printable characters of TEXT, one key each
//   move X Y        the pointer to X, Y (a held button stays held)
//   press X Y / release X Y    the left button down or up at X, Y
//   click X Y       move, press and release there
//   sleep MS        wait
//   await FILE TEXT wait (up to 10 s) until FILE holds TEXT, such as a line
//                   the program under test writes when it has taken an event
// A NAME is a letter or digit, a name from the table below, or a keysym as 0x....
// Exit status: 0 done, 1 connection or handshake failed, 2 a bad script line,
// 3 an awaited text never came.
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct TKeyName {
    const char* Name;
    uint32_t Keysym;
};

constexpr TKeyName KeyNames[] = {
    {"Escape", 0xff1b}, {"Return", 0xff0d}, {"Tab", 0xff09}, {"BackSpace", 0xff08}, {"space", 0x20},
    {"Left", 0xff51}, {"Up", 0xff52}, {"Right", 0xff53}, {"Down", 0xff54}, {"Pause", 0xff13},
    {"Shift_L", 0xffe1}, {"Control_L", 0xffe3}, {"Alt_L", 0xffe9}, {"F1", 0xffbe}, {"F2", 0xffbf},
    {"F3", 0xffc0}, {"F4", 0xffc1}, {"F11", 0xffc8},
};

std::optional<uint32_t> Keysym(const std::string& name)
{
    if (name.size() == 1 && name[0] > ' ' && name[0] <= '~')
        return static_cast<uint32_t>(static_cast<unsigned char>(name[0]));
    for (const TKeyName& key : KeyNames)
        if (name == key.Name)
            return key.Keysym;
    if (name.rfind("0x", 0) == 0 && name.size() > 2) {
        try {
            return static_cast<uint32_t>(std::stoul(name.substr(2), nullptr, 16));
        } catch (const std::exception&) {
        }
    }
    return std::nullopt;
}

class TConnection {
public:
    ~TConnection()
    {
        if (Fd >= 0)
            ::close(Fd);
    }

    bool OpenLocal(const char* path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (std::strlen(path) >= sizeof address.sun_path)
            return false;
        std::strcpy(address.sun_path, path);
        Fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (Fd >= 0 && ::connect(Fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            ::close(Fd);
            Fd = -1;
        }
        return Fd >= 0;
    }

    bool Open(const char* host, const char* port)
    {
        addrinfo hints{};
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (::getaddrinfo(host, port, &hints, &found) != 0)
            return false;
        for (addrinfo* at = found; at != nullptr && Fd < 0; at = at->ai_next) {
            Fd = ::socket(at->ai_family, at->ai_socktype, at->ai_protocol);
            if (Fd >= 0 && ::connect(Fd, at->ai_addr, at->ai_addrlen) != 0) {
                ::close(Fd);
                Fd = -1;
            }
        }
        ::freeaddrinfo(found);
        if (Fd < 0)
            return false;
        const int on = 1;
        ::setsockopt(Fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        return true;
    }

    bool Read(void* buffer, size_t size)
    {
        auto* at = static_cast<char*>(buffer);
        while (size > 0) {
            const ssize_t count = ::recv(Fd, at, size, 0);
            if (count <= 0)
                return false;
            at += count;
            size -= static_cast<size_t>(count);
        }
        return true;
    }

    bool Write(const void* buffer, size_t size)
    {
        const auto* at = static_cast<const char*>(buffer);
        while (size > 0) {
            const ssize_t count = ::send(Fd, at, size, MSG_NOSIGNAL);
            if (count <= 0)
                return false;
            at += count;
            size -= static_cast<size_t>(count);
        }
        return true;
    }

    bool ReadU32(uint32_t& value)
    {
        if (!Read(&value, 4))
            return false;
        value = ntohl(value);
        return true;
    }

    // Version, security type "None", client and server init.
    bool Handshake(std::string& error)
    {
        char version[12];
        if (!Read(version, sizeof version) || std::memcmp(version, "RFB 003.", 8) != 0) {
            error = "no VNC server";
            return false;
        }
        if (!Write("RFB 003.008\n", 12))
            return false;
        uint8_t count = 0;
        if (!Read(&count, 1))
            return false;
        if (count == 0) {
            error = "the server refused: " + ReasonText();
            return false;
        }
        std::vector<uint8_t> types(count);
        if (!Read(types.data(), count))
            return false;
        bool none = false;
        for (const uint8_t type : types)
            none = none || type == 1;
        if (!none) {
            error = "the server wants authentication";
            return false;
        }
        const uint8_t choice = 1;
        uint32_t result = 0;
        if (!Write(&choice, 1) || !ReadU32(result))
            return false;
        if (result != 0) {
            error = "the server refused: " + ReasonText();
            return false;
        }
        const uint8_t shared = 1;
        if (!Write(&shared, 1))
            return false;
        uint8_t init[20];
        uint32_t nameLength = 0;
        if (!Read(init, sizeof init) || !ReadU32(nameLength) || nameLength > 65536)
            return false;
        std::string name(nameLength, '\0');
        if (!Read(name.data(), nameLength))
            return false;
        Width = static_cast<uint16_t>(init[0] << 8 | init[1]);
        Height = static_cast<uint16_t>(init[2] << 8 | init[3]);
        return true;
    }

    bool Key(uint32_t keysym, bool down)
    {
        const uint8_t message[8] = {4, static_cast<uint8_t>(down ? 1 : 0), 0, 0, static_cast<uint8_t>(keysym >> 24),
            static_cast<uint8_t>(keysym >> 16), static_cast<uint8_t>(keysym >> 8), static_cast<uint8_t>(keysym)};
        return Write(message, sizeof message);
    }

    bool Pointer(int x, int y, bool down)
    {
        X = x;
        Y = y;
        Down = down;
        const auto ux = static_cast<uint16_t>(x < 0 ? 0 : x);
        const auto uy = static_cast<uint16_t>(y < 0 ? 0 : y);
        const uint8_t message[6] = {5, static_cast<uint8_t>(down ? 1 : 0), static_cast<uint8_t>(ux >> 8),
            static_cast<uint8_t>(ux), static_cast<uint8_t>(uy >> 8), static_cast<uint8_t>(uy)};
        return Write(message, sizeof message);
    }

    uint16_t Width = 0;
    uint16_t Height = 0;
    int X = 0;
    int Y = 0;
    bool Down = false; // the left button

private:
    std::string ReasonText()
    {
        uint32_t length = 0;
        if (!ReadU32(length) || length > 4096)
            return "(no reason)";
        std::string reason(length, '\0');
        return Read(reason.data(), length) ? reason : "(no reason)";
    }

    int Fd = -1;
};

bool FileHolds(const std::string& file, const std::string& text)
{
    std::ifstream in(file, std::ios::binary);
    const std::string contents((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return contents.find(text) != std::string::npos;
}

bool Await(const std::string& file, const std::string& text)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!FileHolds(file, text)) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

void Pause()
{
    // The compositor takes the events in the order sent; a moment between
    // them lets it hand each to the client on its own.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

} // namespace

int main(int argc, char** argv)
{
    const bool local = argc == 2 && argv[1][0] == '/';
    if (argc != 3 && !local) {
        std::fprintf(stderr, "usage: %s HOST PORT < script\n       %s /PATH/OF/SOCKET < script\n", argv[0], argv[0]);
        return 2;
    }
    TConnection vnc;
    std::string error = "connection lost";
    if (!(local ? vnc.OpenLocal(argv[1]) : vnc.Open(argv[1], argv[2]))) {
        std::fprintf(stderr, "vnc_input: cannot connect to %s%s%s\n", argv[1], local ? "" : ":", local ? "" : argv[2]);
        return 1;
    }
    if (!vnc.Handshake(error)) {
        std::fprintf(stderr, "vnc_input: %s\n", error.c_str());
        return 1;
    }
    std::string line;
    int number = 0;
    while (std::getline(std::cin, line)) {
        ++number;
        std::istringstream words(line);
        std::string command;
        if (!(words >> command) || command[0] == '#')
            continue;
        bool sent = true;
        bool understood = true;
        if (command == "key" || command == "down" || command == "up") {
            std::string name;
            words >> name;
            const std::optional<uint32_t> keysym = Keysym(name);
            if (!keysym) {
                understood = false;
            } else {
                if (command != "up")
                    sent = vnc.Key(*keysym, true);
                if (command == "key")
                    Pause();
                if (command != "down")
                    sent = sent && vnc.Key(*keysym, false);
            }
        } else if (command == "type") {
            std::string text;
            std::getline(words >> std::ws, text);
            for (const char c : text) {
                sent = sent && vnc.Key(static_cast<unsigned char>(c), true);
                Pause();
                sent = sent && vnc.Key(static_cast<unsigned char>(c), false);
                Pause();
            }
        } else if (command == "move" || command == "press" || command == "release" || command == "click") {
            int x = 0, y = 0;
            if (!(words >> x >> y)) {
                understood = false;
            } else if (command == "move") {
                sent = vnc.Pointer(x, y, vnc.Down); // a held button stays held
            } else if (command == "press") {
                sent = vnc.Pointer(x, y, false);
                Pause();
                sent = sent && vnc.Pointer(x, y, true);
            } else if (command == "release") {
                sent = vnc.Pointer(x, y, true);
                Pause();
                sent = sent && vnc.Pointer(x, y, false);
            } else {
                sent = vnc.Pointer(x, y, false);
                Pause();
                sent = sent && vnc.Pointer(x, y, true);
                Pause();
                sent = sent && vnc.Pointer(x, y, false);
            }
        } else if (command == "await") {
            std::string file, text;
            words >> file;
            std::getline(words >> std::ws, text);
            if (file.empty() || text.empty()) {
                understood = false;
            } else if (!Await(file, text)) {
                std::fprintf(stderr, "vnc_input: line %d: %s never came into %s\n", number, text.c_str(), file.c_str());
                return 3;
            }
        } else if (command == "sleep") {
            int ms = 0;
            if (!(words >> ms) || ms < 0)
                understood = false;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        } else {
            understood = false;
        }
        if (!understood) {
            std::fprintf(stderr, "vnc_input: line %d not understood: %s\n", number, line.c_str());
            return 2;
        }
        if (!sent) {
            std::fprintf(stderr, "vnc_input: connection lost at line %d\n", number);
            return 1;
        }
        Pause();
    }
    // The last events reach the server before the connection closes.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return 0;
}
