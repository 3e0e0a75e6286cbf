#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""A Modbus TCP server on loopback for Quillon's tests (pymodbus 3.0, as Debian 12 has it).

Usage: modbus_test_server.py PORT [UNIT]   (PORT 0: any free port)

Prints "port N" once it listens, then takes commands on standard input, one per line, and
answers each with one line:
  set TABLE ADDRESS VALUE...   -> "ok"        TABLE: co, di, hr or ir
  get TABLE ADDRESS COUNT      -> the values, blank-separated
Ends on "quit" or at the end of its input, so a test that dies takes its server with it.
Each table holds addresses 0 to 199; anything beyond is refused with "illegal data address".
"""
import asyncio
import logging
import sys
import threading

from pymodbus.datastore import (
    ModbusSequentialDataBlock,
    ModbusServerContext,
    ModbusSlaveContext,
)
from pymodbus.server.async_io import ModbusTcpServer

TABLE_SIZE = 200
FUNCTION_OF_TABLE = {"co": 1, "di": 2, "hr": 3, "ir": 4}


def new_unit():
    def block():
        return ModbusSequentialDataBlock(0, [0] * TABLE_SIZE)

    return ModbusSlaveContext(di=block(), co=block(), hr=block(), ir=block(), zero_mode=True)


def answer(unit, words):
    table = FUNCTION_OF_TABLE[words[1]]
    address = int(words[2])
    if words[0] == "set":
        unit.setValues(table, address, [int(value) for value in words[3:]])
        return "ok"
    values = unit.getValues(table, address, int(words[3]))
    return " ".join(str(int(value)) for value in values)


def serve_commands(unit, loop, server):
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        if words[0] == "quit":
            break
        try:
            reply = answer(unit, words)
        except (KeyError, IndexError, ValueError) as error:
            reply = "error " + repr(error)
        print(reply, flush=True)
    loop.call_soon_threadsafe(loop.stop)


async def start(port, unit_id):
    unit = new_unit()
    context = ModbusServerContext(slaves={unit_id: unit}, single=False)
    server = ModbusTcpServer(context, address=("127.0.0.1", port), allow_reuse_address=True)
    asyncio.ensure_future(server.serve_forever())
    await server.serving
    bound = server.server.sockets[0].getsockname()[1]
    print("port", bound, flush=True)
    return unit, server


def main():
    logging.disable(logging.CRITICAL)
    port = int(sys.argv[1])
    unit_id = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    unit, server = loop.run_until_complete(start(port, unit_id))
    threading.Thread(target=serve_commands, args=(unit, loop, server), daemon=True).start()
    loop.run_forever()


if __name__ == "__main__":
    main()
