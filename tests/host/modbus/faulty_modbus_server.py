#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""A Modbus TCP server on loopback that misbehaves on request, as real modules and gateways do.

Usage: faulty_modbus_server.py PORT   (PORT 0: any free port)

Prints "port N" once it listens, then takes commands on standard input, one per line, and
answers each with one line ("ok" unless said otherwise):
  set TABLE ADDRESS VALUE...   TABLE: co, di, hr or ir; each holds addresses 0 to 199
  get TABLE ADDRESS COUNT      -> the values, blank-separated
  silence SECONDS              requests get no reply for that long (the connection stays)
  drop N                       the next N replies are not sent
  exception CODE N             the next N requests are refused with CODE (N -1: until clear)
  idle-close SECONDS           connections idle that long are closed by the server
  split SECONDS                replies go out in two parts, SECONDS apart
  reply-unit ID                replies carry this unit id, whatever the request's
  reply-protocol ID            replies carry this protocol id
  reply-transaction-offset K   replies carry the request's transaction id plus K
  clear                        every fault above off
  away                         stops listening and drops every connection (a module gone)
  back                         listens again on the same port
  units                        -> the unit ids of the requests so far, blank-separated
  connections                  -> how many connections were accepted so far
Ends on "quit" or at the end of its input, so a test that dies takes its server with it.
"""
import asyncio
import struct
import sys
import threading
import time

TABLE_SIZE = 200
ILLEGAL_FUNCTION = 1
ILLEGAL_ADDRESS = 2


class Faults:
    def __init__(self):
        self.clear()

    def clear(self):
        self.silent_until = 0.0
        self.drop = 0
        self.exception_code = 0
        self.exception_count = 0
        self.idle_close = None
        self.split = 0.0
        self.reply_unit = None
        self.reply_protocol = 0
        self.transaction_offset = 0


class Device:
    def __init__(self):
        self.tables = {name: [0] * TABLE_SIZE for name in ("co", "di", "hr", "ir")}
        self.faults = Faults()
        self.units = []
        self.connections = 0
        self.lock = threading.Lock()

    def read(self, table, address, count, bits):
        values = self.tables[table][address:address + count]
        if bits:
            data = bytearray((count + 7) // 8)
            for index, value in enumerate(values):
                if value:
                    data[index // 8] |= 1 << (index % 8)
            return bytes([len(data)]) + bytes(data)
        return bytes([2 * count]) + b"".join(struct.pack(">H", v & 0xFFFF) for v in values)

    def answer(self, pdu):
        function = pdu[0]
        tables = {1: ("co", True), 2: ("di", True), 3: ("hr", False), 4: ("ir", False)}
        if function in tables and len(pdu) == 5:
            address, count = struct.unpack(">HH", pdu[1:5])
            if count == 0 or address + count > TABLE_SIZE:
                return bytes([function | 0x80, ILLEGAL_ADDRESS])
            table, bits = tables[function]
            return bytes([function]) + self.read(table, address, count, bits)
        if function == 6 and len(pdu) == 5:
            address, value = struct.unpack(">HH", pdu[1:5])
            if address >= TABLE_SIZE:
                return bytes([function | 0x80, ILLEGAL_ADDRESS])
            self.tables["hr"][address] = value
            return pdu
        if function == 15 and len(pdu) >= 6:
            address, count = struct.unpack(">HH", pdu[1:5])
            if address + count > TABLE_SIZE:
                return bytes([function | 0x80, ILLEGAL_ADDRESS])
            data = pdu[6:]
            for index in range(count):
                self.tables["co"][address + index] = (data[index // 8] >> (index % 8)) & 1
            return pdu[:5]
        return bytes([function | 0x80, ILLEGAL_FUNCTION])

    def reply_for(self, transaction, unit, pdu):
        """The frame to send for one request, or None when the faults say not to answer."""
        with self.lock:
            faults = self.faults
            self.units.append(unit)
            reply = self.answer(pdu)
            if time.monotonic() < faults.silent_until:
                return None, 0.0
            if faults.drop > 0:
                faults.drop -= 1
                return None, 0.0
            if faults.exception_count != 0:
                reply = bytes([pdu[0] | 0x80, faults.exception_code])
                if faults.exception_count > 0:
                    faults.exception_count -= 1
            header = struct.pack(
                ">HHHB",
                (transaction + faults.transaction_offset) & 0xFFFF,
                faults.reply_protocol,
                len(reply) + 1,
                unit if faults.reply_unit is None else faults.reply_unit,
            )
            return header + reply, faults.split


class Server:
    def __init__(self, device, loop):
        self.device = device
        self.loop = loop
        self.server = None
        self.port = 0
        self.writers = set()

    async def listen(self, port):
        self.server = await asyncio.start_server(self.handle, "127.0.0.1", port, reuse_address=True)
        self.port = self.server.sockets[0].getsockname()[1]

    async def away(self):
        self.server.close()
        await self.server.wait_closed()
        for writer in list(self.writers):
            writer.transport.abort()

    async def handle(self, reader, writer):
        with self.device.lock:
            self.device.connections += 1
        self.writers.add(writer)
        try:
            while True:
                idle = self.device.faults.idle_close
                read = reader.readexactly(7)
                header = await (asyncio.wait_for(read, idle) if idle else read)
                transaction, _protocol, length, unit = struct.unpack(">HHHB", header)
                pdu = await reader.readexactly(max(length - 1, 0))
                frame, split = self.device.reply_for(transaction, unit, pdu)
                if frame is None:
                    continue
                if split > 0:
                    writer.write(frame[:5])
                    await writer.drain()
                    await asyncio.sleep(split)
                    frame = frame[5:]
                writer.write(frame)
                await writer.drain()
        except (asyncio.IncompleteReadError, asyncio.TimeoutError, ConnectionError, OSError):
            pass
        finally:
            self.writers.discard(writer)
            writer.transport.abort()


def command(server, words):
    device = server.device
    faults = device.faults
    name = words[0]
    with device.lock:
        if name == "set":
            values = [int(value) for value in words[3:]]
            device.tables[words[1]][int(words[2]):int(words[2]) + len(values)] = values
        elif name == "get":
            address, count = int(words[2]), int(words[3])
            return " ".join(str(v) for v in device.tables[words[1]][address:address + count])
        elif name == "silence":
            faults.silent_until = time.monotonic() + float(words[1])
        elif name == "drop":
            faults.drop = int(words[1])
        elif name == "exception":
            faults.exception_code, faults.exception_count = int(words[1]), int(words[2])
        elif name == "idle-close":
            faults.idle_close = float(words[1])
        elif name == "split":
            faults.split = float(words[1])
        elif name == "reply-unit":
            faults.reply_unit = int(words[1])
        elif name == "reply-protocol":
            faults.reply_protocol = int(words[1])
        elif name == "reply-transaction-offset":
            faults.transaction_offset = int(words[1])
        elif name == "clear":
            faults.clear()
        elif name == "units":
            return " ".join(str(unit) for unit in device.units)
        elif name == "connections":
            return str(device.connections)
        elif name not in ("away", "back"):
            raise KeyError(name)
    if name == "away":
        asyncio.run_coroutine_threadsafe(server.away(), server.loop).result()
    elif name == "back":
        asyncio.run_coroutine_threadsafe(server.listen(server.port), server.loop).result()
    return "ok"


def serve_commands(server):
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        if words[0] == "quit":
            break
        try:
            reply = command(server, words)
        except (KeyError, IndexError, ValueError, OSError) as error:
            reply = "error " + repr(error)
        print(reply, flush=True)
    server.loop.call_soon_threadsafe(server.loop.stop)


def main():
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    server = Server(Device(), loop)
    loop.run_until_complete(server.listen(int(sys.argv[1])))
    print("port", server.port, flush=True)
    threading.Thread(target=serve_commands, args=(server,), daemon=True).start()
    loop.run_forever()


if __name__ == "__main__":
    main()
