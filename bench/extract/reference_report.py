"""A second, independent extractor written in Python from the report rules, used by
run-bench.sh to check morv-cli's report byte for byte and to give a scale for its speed.
Usage: reference_report.py LIST [--no-relative] > REPORT (all five kinds, no head)."""
import sys

def scan(T, kinds, norel):
    L = T.lower()
    out = []
    def find(P, s):
        if s > len(L): return -1
        return L.find(P, s)
    def rel_ok(v):
        lv = v.lower()
        return (not norel) or (b"http:" in lv) or (b"ftp:" in lv)
    res = {}
    # scripts / styles
    for k, a, b in ((0, b"<script", b"/script>"), (1, b"<style", b"/style>")):
        items = []
        p = find(a, 0)
        while p >= 0:
            e = find(b, p + 1)
            if e < 0: break
            items.append(T[p:e + len(b)])
            p = find(a, e)
        res[k] = items
    items = []
    p = find(b"href", 0)
    while p >= 0:
        nxt = p + 1
        if b"=" in T[p:p + 8]:
            q = T.find(b'"', p + 1)
            if q < 0: break
            e = T.find(b'"', q + 1)
            if e < 0: break
            nxt = e
            v = T[q + 1:e].replace(b"\n", b" ").strip(b" ")
            lv = v.lower()
            if not (b";" in v or b"mailto:" in lv or len(v) < 2 or b"<" in v) and rel_ok(v):
                items.append(v)
        p = find(b"href", nxt)
    res[2] = items
    items = []
    p = find(b"<img", 0)
    while p >= 0:
        s = find(b"src", p + 1)
        if s < 0: break
        q = T.find(b'"', s + 1)
        if q < 0: break
        e = T.find(b'"', q + 1)
        if e < 0: break
        v = T[q + 1:e].replace(b"\n", b"").strip(b" ")
        if not (b";" in v or len(v) < 2) and rel_ok(v):
            items.append(v)
        p = find(b"<img", e)
    res[3] = items
    items = []
    p = find(b"mailto:", 0)
    while p >= 0:
        e = T.find(b'"', p + 1)
        if e < 0: break
        items.append(T[p:e])
        p = find(b"mailto:", e)
    res[4] = items
    return res

def main():
    listfile, norel = sys.argv[1], "--no-relative" in sys.argv[2:]
    import os
    import stat
    entries = [x for x in open(listfile, "rb").read().replace(b"\r\n", b"\r").split(b"\r") if x]
    heads = [b"[SCRIPT]", b"[STYLE]", b"[LINK]", b"[IMAGE]", b"[E-MAIL]"]
    out = []
    for path in entries:
        out.append(b'[FILE = "' + path + b'"]\r\n')
        name = os.path.basename(path)
        try:
            ok = stat.S_ISREG(os.stat(path).st_mode) and not name.startswith(b".")
        except OSError:
            ok = False
        if ok:
            T = open(path, "rb").read()
            r = scan(T, None, norel)
            for k in range(5):
                out.append(b"\r\n" + heads[k] + b"\r\n")
                for v in r[k]:
                    out.append(v + b"\r\n")
        else:
            out.append(b"; Warning: File not found.\r\n\r\n")
        out.append(b"\r\n\r\n")
    sys.stdout.buffer.write(b"".join(out))

if __name__ == "__main__":
    main()
