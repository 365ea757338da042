"""A generated site for the crawl benchmark: /p/ and /p/N.html for N below
the page count, each linking to 2N+1, 2N+2 and back up. Counts accepted
connections and requests; GET /stats answers "connections requests"."""
import http.server
import sys
import threading

pages = int(sys.argv[2])
lock = threading.Lock()
counts = {"connections": 0, "requests": 0}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"  # keep-alive, as a real server offers

    def log_message(self, *args):
        pass

    def do_GET(self):
        if self.path == "/stats":
            body = f"{counts['connections']} {counts['requests']}".encode()
        else:
            name = self.path[3:].split(".")[0]
            n = int(name) if name else 0
            with lock:
                counts["requests"] += 1
            links = "".join(f'<a href="{c}.html">{c}</a> ' for c in (2 * n + 1, 2 * n + 2) if c < pages)
            up = "/p/" if n // 2 == 0 else f"{n // 2}.html"
            body = (f"<html><head><title>Page {n}</title></head><body>{links}"
                    f'<a href="{up}">up</a>' + "<p>text</p>" * 200 + "</body></html>").encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def get_request(self):
        conn = super().get_request()
        with lock:
            counts["connections"] += 1
        return conn


Server(("127.0.0.1", int(sys.argv[1])), Handler).serve_forever()
