"""A mail relay for the tests, on loopback: takes every message and keeps
each in a file of its own in FOLDER, its envelope first:

    envelope-from: ADDRESS
    envelope-to: ADDRESS        (one line per recipient)
    <empty line>
    the message as received

With --refuse-mail-from N, the first N MAIL FROM commands get a 550, as a
relay refusing a misconfigured sender would answer.

Prints "listening PORT" once it accepts connections; runs until killed.
With --offer-login it offers AUTH without offering TLS, takes any login,
and notes each AUTH command it is sent in FOLDER/auth.
"""
import argparse
import asyncio
import os
import sys
import time

from aiosmtpd.smtp import SMTP, AuthResult


class KeepInFolder:
    def __init__(self, folder, refuse_mail_from):
        self.folder = folder
        self.refuse_mail_from = refuse_mail_from

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        if self.refuse_mail_from > 0:
            self.refuse_mail_from -= 1
            return "550 5.7.1 sender refused"
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        head = "envelope-from: %s\r\n" % envelope.mail_from
        head += "".join("envelope-to: %s\r\n" % rcpt for rcpt in envelope.rcpt_tos)
        name = os.path.join(self.folder, "%d-%d" % (time.time_ns(), os.getpid()))
        # Renamed into place whole, so a reader never sees half a message.
        with open(name + ".tmp", "wb") as out:
            out.write(head.encode() + b"\r\n" + envelope.original_content)
        os.rename(name + ".tmp", name + ".eml")
        return "250 kept"


class NotingLogins(SMTP):
    async def smtp_AUTH(self, arg):
        with open(os.path.join(self.folder, "auth"), "a") as out:
            out.write((arg.split()[0] if arg else "") + "\n")
        await super().smtp_AUTH(arg)


def relay(folder, handler, offer_login):
    if not offer_login:
        return SMTP(handler, hostname="relay.test")
    smtp = NotingLogins(handler, hostname="relay.test", auth_require_tls=False,
                        authenticator=lambda *args: AuthResult(success=True))
    smtp.folder = folder
    return smtp


async def serve(folder, port, offer_login, refuse_mail_from):
    loop = asyncio.get_running_loop()
    # One handler for every connection: the refusals count across them.
    handler = KeepInFolder(folder, refuse_mail_from)
    server = await loop.create_server(
        lambda: relay(folder, handler, offer_login), "127.0.0.1", port)
    print("listening %d" % server.sockets[0].getsockname()[1], flush=True)
    await server.serve_forever()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--folder", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--offer-login", action="store_true")
    parser.add_argument("--refuse-mail-from", type=int, default=0)
    args = parser.parse_args()
    try:
        asyncio.run(serve(args.folder, args.port, args.offer_login, args.refuse_mail_from))
    except OSError as error:
        print("cannot listen: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
