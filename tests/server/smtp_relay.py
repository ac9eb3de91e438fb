"""A mail relay for the tests, on loopback: takes every message and keeps
each in a file of its own in FOLDER, its envelope first:

    envelope-from: ADDRESS
    envelope-to: ADDRESS        (one line per recipient)
    <empty line>
    the message as received

Prints "listening PORT" once it accepts connections; runs until killed.
"""
import argparse
import asyncio
import os
import sys
import time

from aiosmtpd.smtp import SMTP


class KeepInFolder:
    def __init__(self, folder):
        self.folder = folder

    async def handle_DATA(self, server, session, envelope):
        head = "envelope-from: %s\r\n" % envelope.mail_from
        head += "".join("envelope-to: %s\r\n" % rcpt for rcpt in envelope.rcpt_tos)
        name = os.path.join(self.folder, "%d-%d" % (time.time_ns(), os.getpid()))
        # Renamed into place whole, so a reader never sees half a message.
        with open(name + ".tmp", "wb") as out:
            out.write(head.encode() + b"\r\n" + envelope.original_content)
        os.rename(name + ".tmp", name + ".eml")
        return "250 kept"


async def serve(folder, port):
    loop = asyncio.get_running_loop()
    server = await loop.create_server(
        lambda: SMTP(KeepInFolder(folder), hostname="relay.test"), "127.0.0.1", port)
    print("listening %d" % server.sockets[0].getsockname()[1], flush=True)
    await server.serve_forever()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--folder", required=True)
    parser.add_argument("--port", type=int, default=0)
    args = parser.parse_args()
    try:
        asyncio.run(serve(args.folder, args.port))
    except OSError as error:
        print("cannot listen: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
