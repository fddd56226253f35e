"""A headless LibreOffice of the test's own: a throw-away profile with
Pellux.oxt installed in it, driven over a named pipe, ended by its own
process id."""
import os
import shutil
import signal
import subprocess
import time

import uno
from com.sun.star.beans import PropertyValue

SOFFICE = "/usr/lib/libreoffice/program/soffice"
UNOPKG = "/usr/lib/libreoffice/program/unopkg"


# Calc's error codes as Excel's error values; a circular reference
# (Err:522) is #REF! in xlhost.
ERRORS = {532: "#DIV/0!", 503: "#NUM!", 519: "#VALUE!", 524: "#REF!", 525: "#NAME?", 32767: "#N/A",
          522: "#REF!", 502: "#VALUE!", 504: "#VALUE!"}


def address(cell):
    """A cell's A1 address, without its sheet."""
    a = cell.getCellAddress()
    column, name = a.Column + 1, ""
    while column:
        column, r = divmod(column - 1, 26)
        name = chr(65 + r) + name
    return "%s%d" % (name, a.Row + 1)


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


class Office(object):
    def __init__(self, work, oxt):
        self.work = os.path.abspath(work)
        self.profile = os.path.join(self.work, "profile")
        self.pipe = "pellux_calc_test_%d" % os.getpid()
        self.process = None
        shutil.rmtree(self.profile, ignore_errors=True)
        os.makedirs(self.profile)
        if oxt:
            self.install(oxt)
        self.start()

    def install(self, oxt):
        """unopkg add into the profile; unopkg refuses root for a user
        installation, so root runs it as nobody."""
        # -s: the licence is accepted for the test, as a user accepts it.
        command = [UNOPKG, "add", "-s", "-env:UserInstallation=" + uno.systemPathToFileUrl(self.profile),
                   os.path.abspath(oxt)]
        env = dict(os.environ, HOME=self.profile)
        if os.getuid() == 0:
            os.chmod(self.work, 0o755)
            os.chmod(os.path.abspath(oxt), 0o644)
            subprocess.check_call(["chown", "-R", "nobody", self.profile])
            command = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] + command
        subprocess.check_call(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT,
                              timeout=120)

    def start(self):
        self.process = subprocess.Popen(
            [SOFFICE, "--headless", "--invisible", "--norestore", "--nologo", "--nodefault",
             "-env:UserInstallation=" + uno.systemPathToFileUrl(self.profile),
             "--accept=pipe,name=%s;urp;" % self.pipe],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        deadline = time.time() + 60
        while True:
            try:
                self.ctx = resolver.resolve(
                    "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe)
                break
            except Exception:
                if time.time() > deadline or self.process.poll() is not None:
                    self.stop()
                    raise RuntimeError("LibreOffice did not answer")
                time.sleep(0.2)
        self.desktop = self.ctx.ServiceManager.createInstanceWithContext(
            "com.sun.star.frame.Desktop", self.ctx)

    def stop(self):
        if self.process is None:
            return
        try:
            self.desktop.terminate()
        except Exception:
            pass
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()
        self.process = None

    def load(self, path):
        return self.desktop.loadComponentFromURL(
            uno.systemPathToFileUrl(os.path.abspath(path)), "_blank", 0, (prop("Hidden", True),))

    def new_sheet(self):
        return self.desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0,
                                                 (prop("Hidden", True),))

    def save(self, doc, path, filter_name):
        doc.storeToURL(uno.systemPathToFileUrl(os.path.abspath(path)),
                       (prop("FilterName", filter_name),))
