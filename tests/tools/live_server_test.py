#!/usr/bin/python3
"""orv-live over real HTTP on loopback: who is refused, what a bad request is answered, that a
hundred requests at once are all answered, and that a stop leaves the scene file as it was.

Usage: live_server_test.py ORV_LIVE SCENE"""
import http.client
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAILED:", what, flush=True)


class Live:
    def __init__(self, tool, scene):
        self.process = subprocess.Popen([tool, scene, "--threads", "1"], stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True)
        line = self.process.stdout.readline().strip()
        address = urllib.parse.urlsplit(line)
        if not address.port:
            raise SystemExit("orv-live printed no address: %r, %s" %
                             (line, self.process.stderr.read()))
        self.port = address.port
        self.token = urllib.parse.parse_qs(address.query)["token"][0]
        self.host = "127.0.0.1:%d" % self.port

    def request(self, method, path, body=None, headers=None, token=True):
        sent = {"Host": self.host}
        if token:
            sent["X-Orv-Token"] = self.token
        if isinstance(body, (dict, list)):
            body = json.dumps(body)
            sent["Content-Type"] = "application/json"
        sent.update(headers or {})
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=60)
        connection.putrequest(method, path, skip_host=True, skip_accept_encoding=True)
        for name, value in sent.items():
            connection.putheader(name, value)
        data = body.encode() if isinstance(body, str) else body
        if data is not None or method == "POST":
            connection.putheader("Content-Length", str(len(data or b"")))
        connection.endheaders(data)
        response = connection.getresponse()
        payload = response.read()
        connection.close()
        kind = response.getheader("Content-Type", "")
        parsed = json.loads(payload) if kind.startswith("application/json") else payload
        return response.status, parsed, response

    def expect_error(self, status, what, *args, **kwargs):
        got, body, _ = self.request(*args, **kwargs)
        check(got == status and isinstance(body, dict) and body.get("error"),
              "%s: expected %d with a JSON error, got %d %r" % (what, status, got, body)[:400])
        return body if isinstance(body, dict) else {}

    def unchanged(self, what):
        status, body, _ = self.request("GET", "/api/differences")
        check(status == 200 and body.get("changed") is False,
              "%s changed the scene: %r" % (what, body))


def main(tool, source):
    folder = tempfile.mkdtemp(prefix="orv_live_test_")
    live = None
    try:
        scene = os.path.join(folder, "scene.json")
        shutil.copyfile(source, scene)
        original = open(scene, "rb").read()
        live = Live(tool, scene)
        edit = {"op": "set", "node": "shadowCard", "param": "bExtraScale", "value": 3.0}

        # Refused before anything is routed: no token, a wrong one, another Host, Origin or site.
        live.expect_error(403, "no token", "GET", "/api/scene", token=False)
        live.expect_error(403, "a wrong token", "GET", "/api/scene?token=" + "0" * 48,
                          token=False)
        live.expect_error(403, "the token as a cookie of another port", "GET", "/api/scene",
                          token=False, headers={"Cookie": "orv_live_1=" + live.token})
        live.expect_error(403, "a rebound Host", "POST", "/api/edit", edit,
                          headers={"Host": "attacker.example:%d" % live.port})
        live.expect_error(403, "another port in Host", "GET", "/api/scene",
                          headers={"Host": "127.0.0.1:%d" % (live.port + 1)})
        live.expect_error(403, "a foreign Origin", "POST", "/api/edit", edit,
                          headers={"Origin": "http://attacker.example"})
        live.expect_error(403, "another port's Origin", "POST", "/api/save", {},
                          headers={"Origin": "http://localhost:%d" % (live.port + 1)})
        live.expect_error(403, "a cross-site fetch", "POST", "/api/undo",
                          headers={"Sec-Fetch-Site": "cross-site"})
        live.expect_error(415, "a form post", "POST", "/api/edit", "op=set",
                          headers={"Content-Type": "application/x-www-form-urlencoded"})
        live.unchanged("refused requests")

        # The page with the token in its query sets the cookie the page's requests carry.
        status, page, response = live.request("GET", "/?token=" + live.token, token=False)
        cookie = (response.getheader("Set-Cookie") or "").split(";")[0]
        check(status == 200 and b"live.js" in page and "HttpOnly" in
              response.getheader("Set-Cookie", "") and "SameSite=Strict" in
              response.getheader("Set-Cookie", ""), "the page and its cookie")
        status, scene_json, _ = live.request("GET", "/api/scene", token=False,
                                             headers={"Cookie": "other=1; " + cookie})
        check(status == 200 and any(n["name"] == "shadowCard" for n in scene_json["nodes"]),
              "the scene through the cookie")

        # Malformed, oversized, unknown, refused: a clear error and nothing changed.
        live.expect_error(400, "malformed JSON", "POST", "/api/edit", "{\"op\": ",
                          headers={"Content-Type": "application/json"})
        live.expect_error(400, "not an edit record", "POST", "/api/edit", [1, 2])
        body = live.expect_error(413, "a body past the bound", "POST", "/api/edit",
                                 "[" + " " * (2 << 20) + "]",
                                 headers={"Content-Type": "application/json"})
        check("bytes" in body.get("error", ""), "413 says the bound: %r" % body)
        live.expect_error(414, "a long query", "GET", "/api/scene?x=" + "a" * 5000)
        live.expect_error(404, "an unknown route", "GET", "/api/nothing")
        live.expect_error(400, "a bad exposure", "GET", "/api/image.png?exposure=nan")
        live.expect_error(400, "an unknown channel", "GET", "/api/image.png?channel=nope")
        live.expect_error(400, "a bad pixel", "GET", "/api/explain?x=1e3&y=2")
        live.expect_error(422, "a pixel outside the frame", "GET", "/api/explain?x=5000&y=2")
        live.expect_error(400, "a save that is not .json", "POST", "/api/save",
                          {"path": "scene.png"})
        body = live.expect_error(422, "a refused edit", "POST", "/api/edit",
                                 dict(edit, value="wide"))
        check("shadowCard" in body.get("error", "") and "bExtraScale" in body.get("error", ""),
              "a refused edit is located: %r" % body)
        live.expect_error(409, "nothing to undo", "POST", "/api/undo")
        live.unchanged("bad requests")

        # A hundred requests at once, of every kind that reads, each answered whole.
        answers = []

        def ask(i):
            path = ["/api/scene", "/api/diagnostics", "/api/differences", "/api/nowhere"][i % 4]
            try:
                answers.append(live.request("GET", path)[0])
            except Exception as error:  # noqa: BLE001 - every failure is counted
                answers.append(repr(error))
        def thread_count():
            with open("/proc/%d/status" % live.process.pid) as status_file:
                return int(next(line for line in status_file
                                if line.startswith("Threads:")).split()[1])
        idle = thread_count()
        threads = [threading.Thread(target=ask, args=(i,)) for i in range(100)]
        for t in threads:
            t.start()
        busiest = idle
        while any(t.is_alive() for t in threads):
            busiest = max(busiest, thread_count())
            time.sleep(0.002)
        # The server's worker pool is made once: a burst starts no thread per request (the
        # slack is for the session's own render threads, which come and go with passes).
        check(busiest <= idle + 4, "threads grew from %d to %d under a burst" % (idle, busiest))
        check(sorted(answers, key=str) == sorted([200] * 75 + [404] * 25),
              "a hundred requests at once: %r" % sorted(set(map(str, answers))))

        # A pass arrives as an event, and its image as a PNG.
        connection = http.client.HTTPConnection("127.0.0.1", live.port, timeout=60)
        connection.request("GET", "/api/events", headers={"X-Orv-Token": live.token})
        events = connection.getresponse()
        text = ""
        while "event: pass" not in text:
            text += events.fp.readline().decode()
        data = json.loads(events.fp.readline().decode().split("data: ", 1)[1])
        check(data["pass"] >= 1 and data["samples"] >= 1, "a pass event: %r" % data)
        connection.close()
        status, png, _ = live.request("GET", "/api/image.png?channel=beauty&exposure=1")
        check(status == 200 and png[:8] == b"\x89PNG\r\n\x1a\n", "the image: %d" % status)

        # An edit, then a stop: the file is as it was, and the tool says so.
        status, body, _ = live.request("POST", "/api/edit", edit)
        check(status == 200 and body.get("ok"), "an edit: %r" % body)
        status, body, _ = live.request("GET", "/api/differences")
        check(body.get("changed") is True, "the edit shows as a difference: %r" % body)
        status, body, _ = live.request("POST", "/api/save", {"path": "copy.json"})
        check(status == 200 and os.path.exists(os.path.join(folder, "copy.json")),
              "save as a new file: %r" % body)
        live.process.send_signal(signal.SIGINT)
        try:
            code = live.process.wait(30)
        except subprocess.TimeoutExpired:
            live.process.kill()
            code = "still running 30 s after SIGINT"
        check(code == 130, "SIGINT ends orv-live with 130: %r" % code)
        check(open(scene, "rb").read() == original, "the scene file is as it was")
        check("stopped" in live.process.stderr.read(), "orv-live says it stopped")
    finally:
        if live is not None and live.process.poll() is None:
            live.process.kill()
            live.process.wait()
        shutil.rmtree(folder, ignore_errors=True)
    if failures:
        print("%d checks failed" % len(failures))
        return 1
    print("every check passed")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
