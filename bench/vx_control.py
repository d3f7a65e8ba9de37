"""A tsrnvx driven over its control socket, as the program's DriverClient
does; for the benchmark scripts."""
import socket
import struct
import subprocess

HELLO = 0x4C485354
REQUEST = 0x51525354
SET_PASSWORD = 0xE
SET_FOLDER_PATH = 0x6
CLEAR_FOLDER_PATH = 0x9
WORKING = 0x01


class Driver:
    def __init__(self, program, password):
        self.sock, theirs = socket.socketpair()
        self.proc = subprocess.Popen([program, "--control-fd=%d" % theirs.fileno()],
                                     pass_fds=[theirs.fileno()], stderr=subprocess.DEVNULL)
        theirs.close()
        assert struct.unpack("<4I", self.recv(16))[0] == HELLO
        assert self.request(SET_PASSWORD, password)[0] == 1

    def recv(self, n):
        data = b""
        while len(data) < n:
            chunk = self.sock.recv(n - len(data))
            assert chunk, "driver went away"
            data += chunk
        return data

    def request(self, code, text=None, ins=0, outs=0, answer=0):
        body = text.encode() if text is not None else b""
        length = len(body) if text is not None else 0xFFFFFFFF
        self.sock.sendall(struct.pack("<6I", REQUEST, code, ins, outs, answer, length) + body)
        reply = struct.unpack("<4I", self.recv(16))
        return reply[1], reply[2]

    def serve(self, slot, folder, state=WORKING):
        ok, answer = self.request(SET_FOLDER_PATH, folder, slot, state, state)
        assert ok == 1 and answer == 0, "folder refused: " + folder

    def clear(self, slot):
        ok, answer = self.request(CLEAR_FOLDER_PATH, None, slot, 0, slot)
        assert ok == 1 and answer == 0, "slot %d not cleared" % slot

    def status(self, field):
        """A field of /proc/PID/status, e.g. Threads or VmRSS (kB)."""
        with open("/proc/%d/status" % self.proc.pid) as f:
            for line in f:
                if line.startswith(field + ":"):
                    return int(line.split()[1])
        return 0

    def close(self):
        self.sock.close()
        self.proc.wait(timeout=60)
