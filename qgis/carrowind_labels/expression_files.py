"""Expressions saved to and loaded from `.exp` files."""
import os
import tempfile

from qgis.PyQt.QtWidgets import QFileDialog, QMessageBox

from .widgets import message

EXPRESSION_FILTER = "Quorvex Symbol Label Expression (*.exp);;All Files(*.*)"


class ExpressionFiles:
    """The labeling dialog's Save and Load (a part of LabelingDialog)."""

    def save_expression(self):
        path, chosen = QFileDialog.getSaveFileName(self, "Save Expression", "", EXPRESSION_FILTER)
        if not path:
            return
        if not os.path.splitext(path)[1] and chosen.endswith("(*.exp)"):
            path += ".exp"
        try:
            write_atomically(path, self.expression_text())
        except OSError as e:
            message(self, str(e), "Error Attempting To Save Expression", QMessageBox.Critical)

    def load_expression(self):
        path, _ = QFileDialog.getOpenFileName(self, "Load Expression", "", EXPRESSION_FILTER)
        if not path:
            return
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError:
            return  # an unreadable file leaves the expression as it was
        # A UTF-8 byte-order mark (Notepad writes one) is no part of the text.
        if data.startswith(b"\xef\xbb\xbf"):
            data = data[3:]
        try:
            text = data.decode("utf-8")
        except UnicodeDecodeError:
            # Written in a single-byte code page elsewhere.
            text = data.decode("latin-1")
        self.TxtExpression.setPlainText(text.replace("\r\n", "\n").replace("\r", "\n"))


def write_atomically(path, text):
    """Replace the file whole or not at all; line breaks stay as given."""
    folder = os.path.dirname(os.path.abspath(path))
    try:
        mode = os.stat(path).st_mode & 0o7777
    except OSError:
        umask = os.umask(0)
        os.umask(umask)
        mode = 0o666 & ~umask
    fd, temp = tempfile.mkstemp(prefix=".carrowind-", dir=folder)
    try:
        # mkstemp makes the file private; it gets the mode the file had, or a new file's.
        os.fchmod(fd, mode)
        with os.fdopen(fd, "wb") as f:
            f.write(text.encode("utf-8"))
            f.flush()
            os.fsync(f.fileno())
        os.replace(temp, path)
    except BaseException:
        if os.path.exists(temp):
            os.unlink(temp)
        raise
