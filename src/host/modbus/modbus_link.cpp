// SPDX-License-Identifier: MIT
#include "host/modbus/modbus_link.hpp"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>

#include "host/modbus/seconds_text.hpp"
#include "utility/seconds_duration.hpp"

namespace quillon::modbus {

namespace {

constexpr std::size_t kHeaderBytes = 7;  // transaction, protocol, length, unit
constexpr std::size_t kLargestPdu = 253;
constexpr std::uint8_t kExceptionFlag = 0x80;
constexpr int kOutputs = 8;

// The exception codes, as an operator would want to read them.
constexpr std::array<const char*, 12> kExceptionMeanings = {
    nullptr,
    "illegal function: the device does not offer this request",
    "illegal data address: the device has no such register, coil or input",
    "illegal data value: the device refused the value or count",
    "server device failure: the device failed while answering",
    "acknowledge: the device took the request but needs longer",
    "server device busy: the device is busy, try again later",
    "negative acknowledge: the device cannot carry out the request",
    "memory parity error: the device found its memory corrupt",
    nullptr,
    "gateway path unavailable: the gateway has no route to the unit",
    "gateway target failed to respond: the unit behind the gateway is silent",
};

std::uint8_t FunctionOf(Table table) {
    switch (table) {
        case Table::Coils:
            return 1;
        case Table::DiscreteInputs:
            return 2;
        case Table::HoldingRegisters:
            return 3;
        case Table::InputRegisters:
            return 4;
    }
    return 4;
}

const char* TableName(Table table) {
    switch (table) {
        case Table::Coils:
            return "coils";
        case Table::DiscreteInputs:
            return "discrete inputs";
        case Table::HoldingRegisters:
            return "holding registers";
        case Table::InputRegisters:
            return "input registers";
    }
    return "registers";
}

std::string Span(Table table, int address, int count) {
    return std::string(TableName(table)) + " " + std::to_string(address) + " to " +
           std::to_string(address + count - 1);
}

void PutWord(std::vector<std::uint8_t>& bytes, unsigned word) {
    bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
}

unsigned WordAt(const std::uint8_t* bytes) {
    return (static_cast<unsigned>(bytes[0]) << 8) | bytes[1];
}

std::string ErrorText(int error) {
    return std::generic_category().message(error);
}

struct AddressList {
    ::addrinfo* first = nullptr;
    ~AddressList() {
        if (first != nullptr) {
            freeaddrinfo(first);
        }
    }
};

}  // namespace

std::string ExceptionText(int code) {
    if (code > 0 && code < static_cast<int>(kExceptionMeanings.size()) &&
        kExceptionMeanings[static_cast<std::size_t>(code)] != nullptr) {
        return kExceptionMeanings[static_cast<std::size_t>(code)];
    }
    return "exception code " + std::to_string(code) + ": not one the protocol defines";
}

std::string DeviceAddress(const DeviceDescription& device) {
    const bool ipv6 = device.server.find(':') != std::string::npos;
    return (ipv6 ? "[" + device.server + "]" : device.server) + ":" + std::to_string(device.port);
}

ModbusLink::ModbusLink(const DeviceDescription& device, int stop_descriptor)
    : device_(device),
      stop_descriptor_(stop_descriptor),
      timeout_(SecondsToDuration(device.response_timeout)) {}

ModbusLink::~ModbusLink() {
    Close();
}

void ModbusLink::Connect() {
    Close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    AddressList addresses;
    const std::string port = std::to_string(device_.port);
    const int resolved =
        getaddrinfo(device_.server.c_str(), port.c_str(), &hints, &addresses.first);
    if (resolved != 0) {
        const std::string why = resolved == EAI_SYSTEM ? ErrorText(errno) : gai_strerror(resolved);
        Lost("connect on " + DeviceAddress(device_) + " unit " + std::to_string(device_.unit) +
             ": cannot find the address of " + device_.server + " (" + why + ")");
    }
    const auto deadline = Clock::now() + timeout_;
    std::string failure = "no address";
    for (const addrinfo* address = addresses.first; address != nullptr;
         address = address->ai_next) {
        if (TryAddress(*address, deadline, failure)) {
            return;
        }
    }
    Lost("connect on " + DeviceAddress(device_) + " unit " + std::to_string(device_.unit) + ": " +
         failure);
}

bool ModbusLink::TryAddress(const addrinfo& address, Clock::time_point deadline,
                            std::string& failure) {
    socket_ = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                       address.ai_protocol);
    if (socket_ < 0) {
        failure = ErrorText(errno);
        return false;
    }
    if (::connect(socket_, address.ai_addr, address.ai_addrlen) != 0) {
        if (errno != EINPROGRESS) {
            failure = ErrorText(errno);
            Close();
            return false;
        }
        if (!WaitFor(POLLOUT, deadline)) {
            failure = "no answer to the connection request within " +
                      SecondsText(device_.response_timeout) +
                      " (the device is off, unreachable, or a firewall drops the request)";
            Close();
            return false;
        }
        int error = 0;
        socklen_t length = sizeof error;
        ::getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error != 0) {
            failure = ErrorText(error);
            Close();
            return false;
        }
    }
    const int on = 1;
    ::setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return true;
}

void ModbusLink::Close() {
    if (socket_ >= 0) {
        ::close(socket_);
        socket_ = -1;
    }
}

void ModbusLink::Read(const ReadRequest& request, std::uint16_t* into) {
    const int count = request.count;
    const bool bits = request.table == Table::Coils || request.table == Table::DiscreteInputs;
    Bytes pdu{FunctionOf(request.table)};
    PutWord(pdu, request.address);
    PutWord(pdu, static_cast<unsigned>(count));
    const std::string action = "read " + Span(request.table, request.address, count);
    const Bytes reply = Transact(pdu, action);
    const std::size_t data =
        bits ? static_cast<std::size_t>((count + 7) / 8) : static_cast<std::size_t>(2 * count);
    if (reply.size() != 2 + data || reply[1] != data) {
        Invalid(action, "its length does not fit " + std::to_string(count) +
                            (bits ? " bits" : " registers"));
    }
    for (int i = 0; i < count; ++i) {
        const auto n = static_cast<std::size_t>(i);
        into[i] = bits ? static_cast<std::uint16_t>((reply[2 + n / 8] >> (n % 8)) & 1u)
                       : static_cast<std::uint16_t>(WordAt(&reply[2 + 2 * n]));
    }
}

void ModbusLink::WriteOutputs(const DeviceDescription::Outputs& outputs, std::uint16_t word,
                              bool high_byte_layout) {
    Bytes pdu;
    std::string action;
    if (outputs.table == Table::HoldingRegisters) {
        pdu = {6};
        PutWord(pdu, outputs.address);
        PutWord(pdu, word);
        action = "write holding register " + std::to_string(outputs.address);
    } else {
        pdu = {15};
        PutWord(pdu, outputs.address);
        PutWord(pdu, kOutputs);
        pdu.push_back(1);  // one byte of coil states
        pdu.push_back(static_cast<std::uint8_t>(high_byte_layout ? word >> 8 : word & 0xFF));
        action = "write " + Span(Table::Coils, outputs.address, kOutputs);
    }
    const Bytes reply = Transact(pdu, action);
    // Both replies echo the address and the value or count.
    if (reply.size() != 5 || !std::equal(reply.begin(), reply.end(), pdu.begin())) {
        Invalid(action, "it does not echo the request");
    }
}

ModbusLink::Bytes ModbusLink::Transact(const Bytes& pdu, const std::string& action) {
    if (!Connected()) {
        Connect();
    }
    const std::uint16_t transaction = ++transaction_;
    Bytes frame;
    PutWord(frame, transaction);
    PutWord(frame, 0);  // the Modbus protocol
    PutWord(frame, static_cast<unsigned>(pdu.size() + 1));
    frame.push_back(static_cast<std::uint8_t>(device_.unit));
    frame.insert(frame.end(), pdu.begin(), pdu.end());
    const auto deadline = Clock::now() + timeout_;
    SendAll(frame, deadline, action);

    std::array<std::uint8_t, kHeaderBytes> header{};
    ReceiveExactly(header.data(), header.size(), deadline, action);
    const unsigned length = WordAt(&header[4]);
    if (length < 2 || length > kLargestPdu + 1) {
        Invalid(action, "it announces " + std::to_string(length) + " bytes");
    }
    Bytes reply(length - 1);
    ReceiveExactly(reply.data(), reply.size(), deadline, action);
    if (WordAt(&header[0]) != transaction) {
        Invalid(action, "it answers transaction " + std::to_string(WordAt(&header[0])) + ", not " +
                            std::to_string(transaction));
    }
    if (WordAt(&header[2]) != 0) {
        Invalid(action, "protocol id " + std::to_string(WordAt(&header[2])) + ", not 0 (Modbus)");
    }
    if (header[6] != device_.unit) {
        Invalid(action, "it came from unit " + std::to_string(header[6]) + ", not unit " +
                            std::to_string(device_.unit));
    }
    if (reply[0] == (pdu[0] | kExceptionFlag) && reply.size() >= 2) {
        throw LinkError("the device " + DeviceAddress(device_) + " unit " +
                            std::to_string(device_.unit) + " refused to " + action + ": " +
                            ExceptionText(reply[1]),
                        LinkError::Kind::Refused);
    }
    if (reply[0] != pdu[0]) {
        Invalid(action, "function " + std::to_string(reply[0]) + ", not " + std::to_string(pdu[0]));
    }
    return reply;
}

void ModbusLink::SendAll(const Bytes& frame, Clock::time_point deadline,
                         const std::string& action) {
    std::size_t sent = 0;
    while (sent < frame.size()) {
        const ssize_t done =
            ::send(socket_, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
        if (done > 0) {
            sent += static_cast<std::size_t>(done);
            continue;
        }
        // Read before the message is built: building it allocates, and that may change errno.
        const int error = errno;
        if (done < 0 && error != EAGAIN && error != EWOULDBLOCK && error != EINTR) {
            Lost(action + " on " + DeviceAddress(device_) + " unit " +
                 std::to_string(device_.unit) + ": " + ErrorText(error));
        } else if (!WaitFor(POLLOUT, deadline)) {
            Lost(action + " on " + DeviceAddress(device_) + " unit " +
                 std::to_string(device_.unit) + ": the request could not be sent within " +
                 SecondsText(device_.response_timeout));
        }
    }
}

void ModbusLink::ReceiveExactly(std::uint8_t* into, std::size_t count, Clock::time_point deadline,
                                const std::string& action) {
    const std::string where =
        action + " on " + DeviceAddress(device_) + " unit " + std::to_string(device_.unit) + ": ";
    std::size_t received = 0;
    while (received < count) {
        const ssize_t done = ::recv(socket_, into + received, count - received, 0);
        if (done > 0) {
            received += static_cast<std::size_t>(done);
            continue;
        }
        const int error = errno;  // before anything else can change it
        if (done == 0) {
            Lost(where + "the device closed the connection");
        } else if (error != EAGAIN && error != EWOULDBLOCK && error != EINTR) {
            Lost(where + ErrorText(error));
        } else if (!WaitFor(POLLIN, deadline)) {
            Lost(where + "no complete reply within " + SecondsText(device_.response_timeout));
        }
    }
}

bool ModbusLink::WaitFor(short events, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        std::array<pollfd, 2> waits{pollfd{socket_, events, 0},
                                    pollfd{stop_descriptor_, POLLIN, 0}};
        const int ready = ::poll(waits.data(), stop_descriptor_ >= 0 ? 2 : 1,
                                 static_cast<int>(std::min<std::int64_t>(left.count(), 60000)));
        if (ready > 0 && waits[1].revents != 0) {
            Close();
            throw LinkError("the program is ending", LinkError::Kind::Stopped);
        }
        if (ready > 0) {
            return true;  // ready, or an error the next call names
        }
        if (ready < 0 && errno != EINTR) {
            return false;
        }
    }
}

void ModbusLink::Lost(const std::string& what) {
    // Whatever went wrong, the connection cannot be trusted to be in step any more.
    Close();
    throw LinkError("device not answering: " + what, LinkError::Kind::ConnectionLost);
}

void ModbusLink::Invalid(const std::string& action, const std::string& what) {
    Close();
    throw LinkError("invalid reply to " + action + " from " + DeviceAddress(device_) + " unit " +
                        std::to_string(device_.unit) + ": " + what,
                    LinkError::Kind::ConnectionLost);
}

}  // namespace quillon::modbus
