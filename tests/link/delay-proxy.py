#!/usr/bin/env python3
"""A TCP proxy on 127.0.0.1 that delays every byte by a fixed time in each direction and may drop
the first connection after a number of bytes have gone towards the server, as a network between
a programmer and a serial server does. Prints the port it listens on, then serves until killed.

Usage: delay-proxy.py TARGET_PORT DELAY_MS [DROP_AFTER_BYTES]
"""
import asyncio
import sys


async def pipe(reader, writer, delay, budget=None):
    loop = asyncio.get_running_loop()
    queue = asyncio.Queue()

    async def deliver():
        while True:
            due, data = await queue.get()
            if data is None:
                break
            await asyncio.sleep(max(0.0, due - loop.time()))
            writer.write(data)
            await writer.drain()
        writer.close()

    sender = asyncio.create_task(deliver())
    sent = 0
    try:
        while True:
            data = await reader.read(65536)
            if not data:
                break
            sent += len(data)
            queue.put_nowait((loop.time() + delay, data))
            if budget is not None and sent >= budget[0]:
                budget[0] = None  # only the first connection is dropped
                raise ConnectionResetError
    except (ConnectionError, OSError):
        sender.cancel()
        writer.transport.abort()
        return
    queue.put_nowait((0, None))
    await sender


async def main():
    target = int(sys.argv[1])
    delay = int(sys.argv[2]) / 1000.0
    drop = [int(sys.argv[3])] if len(sys.argv) > 3 else None

    async def serve(client_reader, client_writer):
        server_reader, server_writer = await asyncio.open_connection("127.0.0.1", target)
        budget = drop if drop and drop[0] is not None else None
        await asyncio.gather(pipe(client_reader, server_writer, delay, budget),
                             pipe(server_reader, client_writer, delay), return_exceptions=True)
        for w in (client_writer, server_writer):
            w.transport.abort()

    server = await asyncio.start_server(serve, "127.0.0.1", 0)
    print(server.sockets[0].getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


asyncio.run(main())
