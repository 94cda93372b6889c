#!/usr/bin/env python3
"""End-to-end tests of kmodsetup on the Linux stand-in.

Runs the real kmodsetup binary against a fresh stand-in state directory
per test and reads what it left behind with kmodsetup_state. Expected
messages are written out by hand, byte for byte.

Usage: kmodsetup_e2e.py [TestClass ...]; the environment names the
programs (KMODSETUP_EXE, KMODSETUP_STATE_EXE) and the sample INFs
(KMODSETUP_DATA).
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

EXE = os.environ.get("KMODSETUP_EXE", "kmodsetup")
STATE_EXE = os.environ.get("KMODSETUP_STATE_EXE", "kmodsetup_state")
DATA = os.environ.get("KMODSETUP_DATA", ".")

SCSI_GUID = "{4D36E97B-E325-11CE-BFC1-08002BE10318}"

# System texts of the stand-in, each with the system's own line ending.
FILE_NOT_FOUND = "The system cannot find the file specified.\r\n"
NO_SERVICE = "The specified service does not exist as an installed service.\r\n"
ACCESS_DENIED = "Access is denied.\r\n"
NO_COMPAT_DRIVERS = "There are no compatible drivers for this device.\r\n"
NO_SUCH_DEVINST = "The device instance does not exist.\r\n"
NO_MEMORY = "Not enough memory resources are available to process this command.\r\n"
TOO_LONG = "The filename or extension is too long.\r\n"
LINE_NOT_FOUND = "The required line was not found in the INF.\r\n"

USAGE = ("Usage qorni driver:\n install qorni inf_file\n uninstall qorni inf_file\n"
         " update qorni inf_file [logFileLocation]\n"
         "Usage frelok driver:\n install frelok inf_file\n uninstall frelok inf_file\n"
         " update frelok inf_file [logFileLocation] [forceReboot 1]\n")

HEADER = re.compile(r"-{28}\n[A-Z][a-z]{2} [A-Z][a-z]{2} [ \d]\d \d\d:\d\d:\d\d \d{4}\n-{28}\n")


def err(code, text, system_text):
    """The installer's error line for a failed call."""
    return "Error (0x%x):%s,%s\n" % (code, text, system_text)


def lines(*parts):
    return "".join(parts)


def device_line(instance, hwid, service="-", inf="-", class_name="SCSIAdapter",
                guid=SCSI_GUID):
    return "device %s class=%s %s hwid=%s service=%s inf=%s\n" % (
        instance, class_name, guid, hwid, service, inf)


QORNI_DEVICE = device_line("ROOT\\SCSIADAPTER\\0000", "root\\qorni", "qorni", "oem0.inf")
QORNI_INSTALLED = lines(QORNI_DEVICE, "store oem0.inf\n", "service qorni binary=qorni.sys\n",
                        "driver qorni.sys\n")
FRELOK_INSTALLED = "service frelok binary=frelok.sys\ndriver frelok.sys\n"


class StandinCase(unittest.TestCase):
    """A fresh state directory and copies of the sample INFs per test."""

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="ks-")
        self.state_dir = os.path.join(self.tmp, "state")
        self.env = dict(os.environ, KMODSETUP_STATE_DIR=self.state_dir,
                        ASAN_OPTIONS="exitcode=86", UBSAN_OPTIONS="halt_on_error=1")
        self.qorni = self.copy_inf("qorni.inf")
        self.frelok = self.copy_inf("frelok.inf")

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def copy_inf(self, name):
        path = os.path.join(self.tmp, name)
        shutil.copyfile(os.path.join(DATA, name), path)
        return path

    def write_file(self, name, text):
        path = os.path.join(self.tmp, name)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def run_setup(self, *words):
        """Runs kmodsetup; returns (exit code, standard output)."""
        proc = subprocess.run([EXE, *words], env=self.env, capture_output=True, timeout=60)
        self.assertEqual(proc.stderr.decode(errors="replace"), "")
        return proc.returncode, proc.stdout.decode()

    def tool(self, *args):
        proc = subprocess.run([STATE_EXE, *args], env=self.env, capture_output=True,
                              timeout=60, check=True)
        return proc.stdout.decode()

    def state(self):
        return self.tool("show")

    def journal(self):
        return self.tool("journal")

    def inject_failure(self, call, code, nth=None):
        self.tool("fail", call, hex(code), *([] if nth is None else [str(nth)]))

    def clear_failures(self):
        os.remove(os.path.join(self.state_dir, "fail"))

    def install_qorni(self):
        self.assertEqual(self.run_setup("install", "qorni", self.qorni)[0], 0)
        self.assertEqual(self.state(), QORNI_INSTALLED)

    def not_in_store(self):
        return err(2, "Error in SetupCopyOEMInf", FILE_NOT_FOUND)


class Lifecycle(StandinCase):
    def test_client_driver_install_update_uninstall(self):
        inf = self.qorni
        self.assertEqual(self.run_setup("install", "qorni", inf), (0, lines(
            "Called to install with inf %s\n" % inf,
            self.not_in_store(),
            "Found class SCSIAdapter\n",
            "Doing update with inf %s\n" % inf,
            "Successfully installed driver\n")))
        self.assertEqual(self.state(), QORNI_INSTALLED)
        with open(os.path.join(self.state_dir, "inf", "oem0.inf"), encoding="utf-8") as copy, \
                open(inf, encoding="utf-8") as original:
            self.assertEqual(copy.read(), original.read())

        self.assertEqual(self.run_setup("install", "qorni", inf), (2, lines(
            "Called to install with inf %s\n" % inf,
            "Driver is installed, aborting\n")))
        self.assertEqual(self.state(), QORNI_INSTALLED)

        # The driver runs, so the new one takes over at the next restart.
        self.assertEqual(self.run_setup("update", "qorni", inf), (0, lines(
            "Called to update with inf %s\n" % inf,
            "Doing update with inf %s\n" % inf,
            "Successfully updated driver. Reboot needed 1\n")))
        self.assertEqual(self.state(), QORNI_INSTALLED)

        self.assertEqual(self.run_setup("uninstall", "qorni", inf), (0, lines(
            "Called to uninstall with inf %s\n" % inf,
            "hardware ID root\\qorni matches\n",
            "Successfully removed device\n",
            "Successfully deleted device information\n",
            "Successfully removed OEM file oem0.inf\n",
            "Service deleted successfully\n",
            "Uninstall finished\n")))
        self.assertEqual(self.state(), "")

        self.assertEqual(self.run_setup("update", "qorni", inf), (2, lines(
            "Called to update with inf %s\n" % inf,
            self.not_in_store(),
            "Driver is not installed, aborting\n")))
        self.assertEqual(self.state(), "")

    def test_any_driver_word_but_frelok_is_the_client_driver(self):
        code, out = self.run_setup("install", "somedriver", self.qorni)
        self.assertEqual(code, 0)
        self.assertTrue(out.endswith("Successfully installed driver\n"), out)
        self.assertEqual(self.state(), QORNI_INSTALLED)

    def test_update_of_a_stored_driver_that_is_not_loaded_needs_no_reboot(self):
        self.install_qorni()
        # Take the driver out of the loaded list: stop it as a restart would.
        os.remove(os.path.join(self.state_dir, "drivers"))
        self.assertEqual(self.run_setup("update", "qorni", self.qorni)[1].splitlines()[-1],
                         "Successfully updated driver. Reboot needed 0")

    def test_read_cache_driver_install_update_uninstall(self):
        inf = self.frelok
        self.assertEqual(self.run_setup("install", "frelok", inf), (0, lines(
            "Called to install with inf %s\n" % inf,
            self.not_in_store(),
            "DefaultInstall 128 %s" % inf,
            "installFromInf: Driver installed\n")))
        self.assertEqual(self.state(), FRELOK_INSTALLED)

        self.assertEqual(self.run_setup("install", "frelok", inf), (2, lines(
            "Called to install with inf %s\n" % inf,
            self.not_in_store(),
            "Driver is installed, aborting\n")))

        # Update skips the installed check.
        self.assertEqual(self.run_setup("update", "frelok", inf, "forceReboot", "1"), (0, lines(
            "Called to update with inf %s\n" % inf,
            "DefaultInstall 129 %s" % inf,
            "installFromInf: Driver installed\n")))
        self.assertEqual(self.state(), FRELOK_INSTALLED)

        self.assertEqual(self.run_setup("uninstall", "frelok", inf), (0, lines(
            "Called to uninstall with inf %s\n" % inf,
            self.not_in_store(),
            "DefaultUninstall 132 %s" % inf)))
        self.assertEqual(self.state(), "")

        self.assertEqual(self.run_setup("uninstall", "frelok", inf), (2, lines(
            "Called to uninstall with inf %s\n" % inf,
            self.not_in_store(),
            "Driver isn't installed, aborting\n")))
        self.assertEqual(self.journal(), lines(
            "InstallHinfSection DefaultInstall 128 %s\n" % inf,
            "InstallHinfSection DefaultInstall 129 %s\n" % inf,
            "InstallHinfSection DefaultUninstall 132 %s\n" % inf))

    def test_force_reboot_flag_is_set_only_by_the_word_1(self):
        self.assertEqual(self.run_setup("install", "frelok", self.frelok, "forceReboot", "true")[0], 0)
        self.assertEqual(self.run_setup("update", "frelok", self.frelok, "forceReboot", "1")[0], 0)
        self.assertEqual(self.journal(), lines(
            "InstallHinfSection DefaultInstall 128 %s\n" % self.frelok,
            "InstallHinfSection DefaultInstall 129 %s\n" % self.frelok))

    def test_loaded_driver_counts_as_installed_ignoring_case(self):
        self.tool("load-driver", "FRELOK.SYS")
        self.assertEqual(self.run_setup("install", "frelok", self.frelok)[0], 2)
        self.assertEqual(self.journal(), "")


class LogFile(StandinCase):
    def test_log_file_gets_a_header_and_every_message(self):
        log = os.path.join(self.tmp, "setup.log")
        self.assertEqual(self.run_setup("install", "qorni", self.qorni, log), (0, ""))
        self.assertEqual(self.run_setup("update", "qorni", self.qorni, log), (0, ""))
        with open(log, encoding="utf-8", newline="") as f:
            text = f.read()
        first = lines(
            "Called to install with inf %s\n" % self.qorni,
            self.not_in_store(),
            "Found class SCSIAdapter\n",
            "Doing update with inf %s\n" % self.qorni,
            "Successfully installed driver\n")
        second = lines(
            "Called to update with inf %s\n" % self.qorni,
            "Doing update with inf %s\n" % self.qorni,
            "Successfully updated driver. Reboot needed 1\n")
        # Two runs append two headers, each followed by its run's messages.
        runs = HEADER.split(text)
        self.assertEqual(len(HEADER.findall(text)), 2, text)
        self.assertEqual(runs, ["", first, second])

    def test_read_cache_log_with_force_reboot(self):
        log = os.path.join(self.tmp, "frelok.log")
        self.assertEqual(
            self.run_setup("install", "frelok", self.frelok, log, "forceReboot", "1"), (0, ""))
        with open(log, encoding="utf-8", newline="") as f:
            runs = HEADER.split(f.read())
        self.assertEqual(runs, ["", lines(
            "Called to install with inf %s\n" % self.frelok,
            self.not_in_store(),
            "DefaultInstall 129 %s" % self.frelok,
            "installFromInf: Driver installed\n")])

    def test_log_that_cannot_be_opened_leaves_standard_output(self):
        log = os.path.join(self.tmp, "no-such-dir", "setup.log")
        self.assertEqual(self.run_setup("install", "qorni", self.qorni, log), (0, lines(
            "Failed to create log file %s. Using stdout\n" % log,
            "Called to install with inf %s\n" % self.qorni,
            self.not_in_store(),
            "Found class SCSIAdapter\n",
            "Doing update with inf %s\n" % self.qorni,
            "Successfully installed driver\n")))

    def test_error_exit_still_writes_the_whole_log(self):
        log = os.path.join(self.tmp, "fail.log")
        self.inject_failure("SetupDiGetINFClass", 0xE0000200)
        self.assertEqual(self.run_setup("install", "qorni", self.qorni, log), (1, ""))
        with open(log, encoding="utf-8", newline="") as f:
            text = f.read()
        self.assertTrue(text.endswith(err(
            0xE0000200, "SetupDiGetINFClass",
            "The INF or the device information set or element does not have an associated"
            " install class.\r\n")), text)


# Each step of the client install that ends the run with its error line,
# before anything of the device became part of the system.
INSTALL_STEP_FAILURES = [
    ("SetupDiGetINFClass", "SetupDiGetINFClass", 0xE0000206, "The class is invalid.\r\n"),
    ("SetupDiCreateDeviceInfoList", "SetupDiCreateDeviceInfoList", 0x8, NO_MEMORY),
    ("SetupDiCreateDeviceInfo", "SetupDiCreateDeviceInfo", 0x5, ACCESS_DENIED),
    ("SetupDiSetDeviceRegistryProperty", "SetupDiSetDeviceRegistryProperty", 0xE0000209,
     "The property passed to a device installation call is not valid.\r\n"),
    ("SetupDiCallClassInstaller", "SetupDiCallClassInstaller", 0x1F,
     "A device attached to the system is not functioning.\r\n"),
]

# Each step of the client uninstall that fails without ending the run:
# (call, code, expected output, expected state afterwards).
UNINSTALL_STEP_FAILURES = [
    ("SetupDiGetDeviceRegistryProperty", 0xD, lines(
        err(0xD, "Uninstall-SetupDiGetDeviceRegistryProperty failed", "The data is invalid.\r\n"),
        "hardware ID  doesn't match, skipping\n",
        "Successfully removed OEM file oem0.inf\n",
        "Service deleted successfully\n"),
     lines(QORNI_DEVICE, "driver qorni.sys\n")),
    ("SetupDiRemoveDevice", 0xE000020B, lines(
        "hardware ID root\\qorni matches\n",
        err(0xE000020B, "Error in SetupDiRemoveDevice", NO_SUCH_DEVINST),
        "Successfully deleted device information\n",
        "Successfully removed OEM file oem0.inf\n",
        "Service deleted successfully\n"),
     lines(QORNI_DEVICE, "driver qorni.sys\n")),
    ("SetupDiDeleteDeviceInfo", 0x6, lines(
        "hardware ID root\\qorni matches\n",
        "Successfully removed device\n",
        err(0x6, "Error in SetupDiDeleteDevice", "The handle is invalid.\r\n"),
        "Successfully removed OEM file oem0.inf\n",
        "Service deleted successfully\n"),
     ""),
    ("SetupUninstallOEMInf", 0x5, lines(
        "hardware ID root\\qorni matches\n",
        "Successfully removed device\n",
        "Successfully deleted device information\n",
        err(0x5, "SetupUninstallOEMInf failure", ACCESS_DENIED),
        "Service deleted successfully\n"),
     "store oem0.inf\n"),
    ("OpenSCManager", 0x5, lines(
        "hardware ID root\\qorni matches\n",
        "Successfully removed device\n",
        "Successfully deleted device information\n",
        "Successfully removed OEM file oem0.inf\n",
        err(0x5, "Open service manager failed", ACCESS_DENIED)),
     "service qorni binary=qorni.sys\n"),
    ("OpenService", 0x424, lines(
        "hardware ID root\\qorni matches\n",
        "Successfully removed device\n",
        "Successfully deleted device information\n",
        "Successfully removed OEM file oem0.inf\n",
        err(0x424, "OpenService failed", NO_SERVICE)),
     "service qorni binary=qorni.sys\n"),
    ("DeleteService", 0x430, lines(
        "hardware ID root\\qorni matches\n",
        "Successfully removed device\n",
        "Successfully deleted device information\n",
        "Successfully removed OEM file oem0.inf\n",
        err(0x430, "DeleteService failed",
            "The specified service has been marked for deletion.\r\n")),
     "service qorni binary=qorni.sys\n"),
]


class InjectedFailures(StandinCase):
    def test_each_failing_install_step_ends_with_its_error_line(self):
        for call, text, code, system_text in INSTALL_STEP_FAILURES:
            with self.subTest(call=call):
                self.inject_failure(call, code)
                self.assertEqual(self.run_setup("install", "qorni", self.qorni), (1, lines(
                    "Called to install with inf %s\n" % self.qorni,
                    self.not_in_store(),
                    "" if call == "SetupDiGetINFClass" else "Found class SCSIAdapter\n",
                    err(code, text, system_text))))
                self.assertEqual(self.state(), "")
                self.clear_failures()

    def test_failed_driver_update_undoes_the_install(self):
        inf = self.qorni
        self.inject_failure("UpdateDriverForPlugAndPlayDevices", 0xE0000228)
        self.assertEqual(self.run_setup("install", "qorni", inf), (1, lines(
            "Called to install with inf %s\n" % inf,
            self.not_in_store(),
            "Found class SCSIAdapter\n",
            "Doing update with inf %s\n" % inf,
            err(0xE0000228, "ERROR update plug and play. ", NO_COMPAT_DRIVERS),
            "Update with inf %s failed\n" % inf,
            err(0xE0000228, "ERROR update plug and play. ", NO_COMPAT_DRIVERS),
            "Undoing install operation\n",
            "hardware ID root\\qorni matches\n",
            "Successfully removed device\n",
            "Successfully deleted device information\n",
            self.not_in_store(),
            err(0x424, "OpenService failed", NO_SERVICE),
            "Uninstall finished\n")))
        self.assertEqual(self.state(), "")

    def test_undo_deletes_the_service_by_its_name_without_extension(self):
        # A service left behind by an earlier install, with no store copy
        # and no loaded driver: the install goes ahead, fails and its undo
        # removes the service "qorni" (the driver file is "qorni.sys").
        self.tool("add-service", "qorni", "qorni.sys")
        self.inject_failure("UpdateDriverForPlugAndPlayDevices", 0xE0000228)
        code, out = self.run_setup("install", "qorni", self.qorni)
        self.assertEqual(code, 1)
        self.assertTrue(out.endswith(lines(
            "Undoing install operation\n",
            "hardware ID root\\qorni matches\n",
            "Successfully removed device\n",
            "Successfully deleted device information\n",
            self.not_in_store(),
            "Service deleted successfully\n",
            "Uninstall finished\n")), out)
        self.assertEqual(self.state(), "")

    def test_file_exists_answer_names_the_store_copy(self):
        # The copy call answers "file exists" with the copy's name: the
        # INF counts as stored, and the uninstall removes that copy.
        self.install_qorni()
        self.inject_failure("SetupCopyOEMInf", 0x50)
        self.assertEqual(self.run_setup("uninstall", "qorni", self.qorni), (0, lines(
            "Called to uninstall with inf %s\n" % self.qorni,
            "hardware ID root\\qorni matches\n",
            "Successfully removed device\n",
            "Successfully deleted device information\n",
            "Found OEM oem0.inf\n",
            "Successfully removed OEM file oem0.inf\n",
            "Service deleted successfully\n",
            "Uninstall finished\n")))
        self.assertEqual(self.state(), "")

    def test_inf_without_the_hardware_id_fails_and_is_undone(self):
        with open(self.qorni, encoding="utf-8") as f:
            text = f.read().replace("root\\qorni", "root\\other")
        inf = self.write_file("other.inf", text)
        code, out = self.run_setup("install", "qorni", inf)
        self.assertEqual(code, 1)
        self.assertIn(lines("Update with inf %s failed\n" % inf,
                            err(0xE0000228, "ERROR update plug and play. ", NO_COMPAT_DRIVERS),
                            "Undoing install operation\n"), out)
        self.assertEqual(self.state(), "")

    def test_failed_client_update(self):
        self.install_qorni()
        self.inject_failure("UpdateDriverForPlugAndPlayDevices", 0xE000020B)
        self.assertEqual(self.run_setup("update", "qorni", self.qorni), (1, lines(
            "Called to update with inf %s\n" % self.qorni,
            "Doing update with inf %s\n" % self.qorni,
            "Update with inf %s failed\n" % self.qorni,
            err(0xE000020B, "ERROR update plug and play. ", NO_SUCH_DEVINST))))
        self.assertEqual(self.state(), QORNI_INSTALLED)

    def test_each_failing_uninstall_step_is_logged_and_the_rest_goes_on(self):
        for call, code, middle, state_after in UNINSTALL_STEP_FAILURES:
            with self.subTest(call=call):
                self.install_qorni()
                self.inject_failure(call, code)
                self.assertEqual(self.run_setup("uninstall", "qorni", self.qorni), (0, lines(
                    "Called to uninstall with inf %s\n" % self.qorni,
                    middle,
                    "Uninstall finished\n")))
                self.assertEqual(self.state(), state_after)
                self.clear_failures()
                shutil.rmtree(self.state_dir)

    def test_class_devices_unavailable_ends_the_uninstall(self):
        self.install_qorni()
        self.inject_failure("SetupDiGetClassDevs", 0x5)
        self.assertEqual(self.run_setup("uninstall", "qorni", self.qorni), (1, lines(
            "Called to uninstall with inf %s\n" % self.qorni,
            err(0x5, "Error getting class devices", ACCESS_DENIED))))
        self.assertEqual(self.state(), QORNI_INSTALLED)

    def test_failed_allocation_in_the_installed_check(self):
        self.inject_failure("HeapAlloc", 0x8)
        self.assertEqual(self.run_setup("install", "frelok", self.frelok), (1, lines(
            "Called to install with inf %s\n" % self.frelok,
            self.not_in_store(),
            err(0x8, "Failed to allocate memory for driver array", NO_MEMORY))))
        self.assertEqual(self.journal(), "")

    def test_failed_driver_listing_counts_as_not_installed(self):
        for call in ("K32EnumDeviceDrivers", "K32GetDeviceDriverBaseName"):
            with self.subTest(call=call):
                shutil.rmtree(self.state_dir, ignore_errors=True)
                self.tool("load-driver", "frelok.sys")
                self.inject_failure(call, 0x5)
                self.assertEqual(self.run_setup("install", "frelok", self.frelok)[0], 0)

    def test_section_install_outcome_is_not_checked(self):
        self.inject_failure("InstallHinfSection", 0x5)
        self.assertEqual(self.run_setup("install", "frelok", self.frelok)[0], 0)
        self.assertEqual(self.state(), "")
        self.assertEqual(self.journal(),
                         "InstallHinfSection DefaultInstall 128 %s\n" % self.frelok)


class Devices(StandinCase):
    def test_two_matching_devices_are_both_removed(self):
        self.install_qorni()
        self.tool("add-device", "ROOT\\SCSIADAPTER\\0001", SCSI_GUID, "SCSIAdapter", "root\\qorni")
        self.tool("add-device", "PCI\\VEN_1000&DEV_0001\\3&1", SCSI_GUID, "SCSIAdapter",
                  "pci\\ven_1000&dev_0001,pci\\ven_1000")
        self.tool("add-device", "ROOT\\SCSIADAPTER\\0002", SCSI_GUID, "SCSIAdapter", "root\\qorni")
        matches = lines("hardware ID root\\qorni matches\n",
                        "Successfully removed device\n",
                        "Successfully deleted device information\n")
        self.assertEqual(self.run_setup("uninstall", "qorni", self.qorni), (0, lines(
            "Called to uninstall with inf %s\n" % self.qorni,
            matches,
            matches,
            "hardware ID pci\\ven_1000&dev_0001 doesn't match, skipping\n",
            matches,
            "Successfully removed OEM file oem0.inf\n",
            "Service deleted successfully\n",
            "Uninstall finished\n")))
        self.assertEqual(self.state(), device_line(
            "PCI\\VEN_1000&DEV_0001\\3&1", "pci\\ven_1000&dev_0001,pci\\ven_1000"))

    def test_hardware_id_is_compared_with_its_case(self):
        self.install_qorni()
        self.tool("add-device", "ROOT\\SCSIADAPTER\\0001", SCSI_GUID, "SCSIAdapter", "ROOT\\QORNI")
        self.tool("add-device", "ROOT\\SCSIADAPTER\\0002", SCSI_GUID, "SCSIAdapter", "root\\Qorni")
        self.assertEqual(self.run_setup("uninstall", "qorni", self.qorni), (0, lines(
            "Called to uninstall with inf %s\n" % self.qorni,
            "hardware ID root\\qorni matches\n",
            "Successfully removed device\n",
            "Successfully deleted device information\n",
            "hardware ID ROOT\\QORNI doesn't match, skipping\n",
            "hardware ID root\\Qorni doesn't match, skipping\n",
            "Successfully removed OEM file oem0.inf\n",
            "Service deleted successfully\n",
            "Uninstall finished\n")))
        self.assertEqual(self.state(), lines(
            device_line("ROOT\\SCSIADAPTER\\0001", "ROOT\\QORNI"),
            device_line("ROOT\\SCSIADAPTER\\0002", "root\\Qorni")))

    def test_uninstall_without_a_device_still_removes_copy_and_service(self):
        self.install_qorni()
        self.tool("remove-device", "ROOT\\SCSIADAPTER\\0000")
        self.assertEqual(self.run_setup("uninstall", "qorni", self.qorni), (0, lines(
            "Called to uninstall with inf %s\n" % self.qorni,
            "Successfully removed OEM file oem0.inf\n",
            "Service deleted successfully\n",
            "Uninstall finished\n")))
        self.assertEqual(self.state(), "")

    def test_devices_of_other_classes_are_not_looked_at(self):
        other_guid = "{4D36E967-E325-11CE-BFC1-08002BE10318}"
        self.tool("add-device", "ROOT\\DISK\\0000", other_guid, "DiskDrive", "root\\qorni")
        code, out = self.run_setup("uninstall", "qorni", self.qorni)
        self.assertEqual(code, 0)
        self.assertNotIn("hardware ID", out)
        self.assertEqual(self.state(), device_line("ROOT\\DISK\\0000", "root\\qorni",
                                                   class_name="DiskDrive", guid=other_guid))

    def test_install_beside_a_foreign_root_device_takes_the_next_instance(self):
        self.tool("add-device", "ROOT\\SCSIADAPTER\\0000", SCSI_GUID, "SCSIAdapter", "root\\other")
        self.assertEqual(self.run_setup("install", "qorni", self.qorni)[0], 0)
        self.assertEqual(self.state(), lines(
            device_line("ROOT\\SCSIADAPTER\\0000", "root\\other"),
            device_line("ROOT\\SCSIADAPTER\\0001", "root\\qorni", "qorni", "oem0.inf"),
            "store oem0.inf\n", "service qorni binary=qorni.sys\n", "driver qorni.sys\n"))


class InfSections(StandinCase):
    """The read-cache driver's section calls report nothing, so the INF and
    its section are looked up first and a failure ends the run."""

    def frelok_with(self, old, new):
        with open(self.frelok, encoding="utf-8") as f:
            text = f.read()
        self.assertIn(old, text)
        return self.write_file("changed.inf", text.replace(old, new))

    def test_missing_inf_fails_every_section_call(self):
        missing = os.path.join(self.tmp, "no-such.inf")
        open_failed = err(2, "SetupOpenInfFile", FILE_NOT_FOUND)
        for command, words, checked in (("install", [], True),
                                        ("update", ["forceReboot", "1"], False)):
            with self.subTest(command=command):
                self.assertEqual(self.run_setup(command, "frelok", missing, *words), (1, lines(
                    "Called to %s with inf %s\n" % (command, missing),
                    self.not_in_store() if checked else "",
                    open_failed)))
        # A loaded driver counts as installed, so the uninstall gets as far.
        self.tool("load-driver", "frelok.sys")
        self.assertEqual(self.run_setup("uninstall", "frelok", missing), (1, lines(
            "Called to uninstall with inf %s\n" % missing,
            self.not_in_store(),
            open_failed)))
        self.assertEqual(self.journal(), "")
        self.assertEqual(self.state(), "driver frelok.sys\n")

    def test_inf_without_the_section_or_its_lines_fails(self):
        line_missing = err(0xE0000102, "SetupFindFirstLine", LINE_NOT_FOUND)
        no_install = self.frelok_with("[DefaultInstall]\nCopyFiles = FrelokCopyFiles\n", "")
        self.assertEqual(self.run_setup("install", "frelok", no_install), (1, lines(
            "Called to install with inf %s\n" % no_install,
            self.not_in_store(),
            line_missing)))
        empty_uninstall = self.frelok_with("DelFiles = FrelokCopyFiles\n", "; nothing\n")
        self.assertEqual(self.run_setup("install", "frelok", empty_uninstall)[0], 0)
        self.assertEqual(self.run_setup("uninstall", "frelok", empty_uninstall), (1, lines(
            "Called to uninstall with inf %s\n" % empty_uninstall,
            self.not_in_store(),
            line_missing)))
        self.assertEqual(self.journal(),
                         "InstallHinfSection DefaultInstall 128 %s\n" % empty_uninstall)
        self.assertEqual(self.state(), FRELOK_INSTALLED)

    def test_failed_inf_calls_end_with_their_error_line(self):
        for call, code, text in (("SetupOpenInfFile", 0x5, ACCESS_DENIED),
                                 ("SetupFindFirstLine", 0xE0000101,
                                  "The required section was not found in the INF.\r\n")):
            with self.subTest(call=call):
                shutil.rmtree(self.state_dir, ignore_errors=True)
                self.inject_failure(call, code)
                self.assertEqual(self.run_setup("install", "frelok", self.frelok), (1, lines(
                    "Called to install with inf %s\n" % self.frelok,
                    self.not_in_store(),
                    err(code, call, text))))
                self.assertEqual(self.journal(), "")


class CommandLine(StandinCase):
    def test_wrong_words_print_the_usage(self):
        cases = [
            [],
            ["install"],
            ["install", "qorni"],
            ["install", "qorni", "a.inf", "forceReboot", "1"],
            ["update", "qorni", "a.inf", "log", "forceReboot", "1"],
            ["install", "frelok", "a.inf", "forcereboot", "1"],
            ["install", "frelok", "a.inf", "log", "forceReboot", "1", "extra"],
            ["install", "frelok", "a.inf", "log", "x", "forceReboot", "1"],
            ["install", "frelok", "a.inf", "log", "x", "y", "forceReboot", "1"],
        ]
        for words in cases:
            with self.subTest(words=words):
                self.assertEqual(self.run_setup(*words), (1, USAGE))
        self.assertEqual(self.state(), "")

    def test_usage_goes_to_standard_output_even_with_a_log_file(self):
        log = os.path.join(self.tmp, "u.log")
        self.assertEqual(self.run_setup("install", "qorni", "a.inf", log, "forceReboot", "1"),
                         (1, USAGE))
        self.assertFalse(os.path.exists(log))

    def test_unknown_command_word(self):
        self.assertEqual(self.run_setup("Install", "qorni", self.qorni),
                         (1, "Unknown option Install\n"))
        self.assertEqual(self.run_setup("remove", "frelok", self.frelok, "forceReboot", "1"),
                         (1, "Unknown option remove\n"))
        self.assertEqual(self.state(), "")

    def test_inf_path_that_does_not_fit_the_section_line_is_refused_before_any_call(self):
        # 128 units hold "DefaultInstall 128 " (19), the path and the terminator.
        long_path = self.padded_path(108 + 1)
        for command, words in (("install", []), ("update", ["forceReboot", "1"]),
                               ("uninstall", [])):
            with self.subTest(command=command):
                self.assertEqual(self.run_setup(command, "frelok", long_path, *words), (1, lines(
                    "Called to %s with inf %s\n" % (command, long_path),
                    err(0xCE, "INF path does not fit the section command line", TOO_LONG))))
        self.assertEqual(self.journal(), "")
        self.assertEqual(self.state(), "")

    def test_inf_path_that_just_fits_is_installed(self):
        path = self.padded_path(108)
        self.assertEqual(self.run_setup("install", "frelok", path)[0], 0)
        self.assertEqual(self.journal(), "InstallHinfSection DefaultInstall 128 %s\n" % path)
        self.assertEqual(self.state(), FRELOK_INSTALLED)
        # The uninstall line's prefix is two characters longer.
        self.assertEqual(self.run_setup("uninstall", "frelok", path)[0], 1)
        self.assertEqual(self.state(), FRELOK_INSTALLED)

    def padded_path(self, length):
        """A copy of the read-cache INF at a path of exactly length bytes."""
        directory = os.path.join(self.tmp, "d")
        os.makedirs(directory, exist_ok=True)
        name_length = length - len(directory) - 1 - len(".inf")
        self.assertGreater(name_length, 0)
        path = os.path.join(directory, "f" * name_length + ".inf")
        shutil.copyfile(self.frelok, path)
        self.assertEqual(len(path), length)
        return path


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], *sys.argv[1:]], verbosity=2)
