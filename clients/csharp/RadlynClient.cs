// Takes one X-ray image through Radlyn from a C# practice program: one file, no dependencies,
// C# 7.3, .NET Framework 4.6.2 and later, .NET 6 and later, Mono.
//
//   // A data folder of this user's own: the job and result files hold the patient's identity.
//   string data = Path.Combine(Environment.GetFolderPath(
//       Environment.SpecialFolder.LocalApplicationData), "DentalOffice", "Xray");
//   var client = new RadlynClient(@"C:\Program Files (x86)\Radlyn\radlyn.exe", data)
//       { OwnerWindow = form.Handle };
//   RadlynResult result = await client.RunAsync(job);   // or client.Run(job) on a worker thread
//   if (result.Succeeded) archived = result.ArchiveImage(@"C:\Practice\Archive");
//   else ShowMessage(result.ErrorMsg + "\n" + result.Advice);
//
// Each run deletes the old result file and makes sure it is gone, writes the whole job file in the
// workstation's ANSI code page, starts Radlyn with the owner window, waits without a time limit
// while that window keeps answering (and cannot start a second job), and reads the result file
// through the same code page. On .NET 6 and later register the code pages once at start-up:
// System.Text.Encoding.RegisterProvider(System.Text.CodePagesEncodingProvider.Instance).
using System;
using System.Collections.Generic;
using System.Diagnostics;
using System.Globalization;
using System.IO;
using System.Runtime.InteropServices;
using System.Text;
using System.Threading;
using System.Threading.Tasks;

namespace Radlyn.Client
{
    /// <summary>What the practice does about a job's outcome.</summary>
    public enum RadlynErrorClass
    {
        None,         // the image was taken
        Retry,        // the same job again, possibly after the user fixed something at the X-ray unit
        FixJob,       // the program wrote a value Radlyn refuses
        FixSetup,     // folders, rights, the Morlund installation
        CallSupport,  // nothing the practice can fix itself
        NoJobRan,     // no result file: another Radlyn was busy, or Radlyn died; try again later
    }

    /// <summary>The client could not go on; Radlyn took no image for it.</summary>
    public class RadlynException : Exception
    {
        public RadlynException(string message, Exception inner = null) : base(message, inner) { }
    }

    /// <summary>A field of the job that Radlyn would refuse or cut; nothing was written.</summary>
    public sealed class RadlynJobException : RadlynException
    {
        public RadlynJobException(string field, string problem)
            : base("Job field " + field + ": " + problem) { Field = field; }

        public string Field { get; private set; }
    }

    /// <summary>One exposure as the job file RADLYN_in.ini describes it.</summary>
    public sealed class RadlynJob
    {
        public string ClientName = "";
        public string Type = "XI";          // XI intraoral, XP, XC, XS
        public string Regio = "";           // XI/XS: ISO 3950 tooth; XP/XC: two-character program
        public string Doc = "";
        public string FirstName = "";
        public string LastName = "";
        public string PatientId = "";
        public string Birthdate = "";       // YYYYMMDD
        public string ImageDataPath = null; // absolute output folder; null: the data folder
        public string FileFormat = "tif";   // tif or bmp, in any case
        public bool Assure8Bit = true;
        public bool DoAutoPostProc = true;

        // The longest folder Radlyn can write its probe file in, with its trailing separator.
        const int MaxOutputFolder = 219;
        static readonly string[] Types = { "XI", "XP", "XC", "XS" };

        /// <summary>Throws RadlynJobException naming the first field Radlyn would refuse or cut.
        /// Lengths count bytes of the ANSI code page, as Radlyn does.</summary>
        public void Validate() { Validate(RadlynClient.AnsiEncoding()); }

        public void Validate(Encoding ansi)
        {
            Text("ClientName", ClientName, ansi, 259);
            if (ClientName.Trim().Length == 0) throw new RadlynJobException("ClientName", "must not be empty");
            Text("Type", Type, ansi, 4);
            if (Array.IndexOf(Types, Type) < 0)
                throw new RadlynJobException("Type", "must be XI, XP, XC or XS, not '" + Type + "'");
            Text("Regio", Regio, ansi, 16);
            if (Regio.Length > 0 && (Type == "XI" || Type == "XS") && !IsTooth(Regio))
                throw new RadlynJobException("Regio", "'" + Regio + "' is no tooth in two-digit ISO 3950 notation");
            if (Regio.Length > 0 && (Type == "XP" || Type == "XC") && Regio.Length != 2)
                throw new RadlynJobException("Regio", "a program number has exactly two characters");
            Text("Doc", Doc, ansi, 13);
            Text("FirstName", FirstName, ansi, 32);
            Text("LastName", LastName, ansi, 32);
            Text("PatientId", PatientId, ansi, 19);
            Text("Birthdate", Birthdate, ansi, 8);
            if (!IsDate(Birthdate))
                throw new RadlynJobException("Birthdate", "'" + Birthdate
                    + "' is no real date YYYYMMDD from the year 100 on");
            if (!string.Equals(FileFormat, "tif", StringComparison.OrdinalIgnoreCase) &&
                !string.Equals(FileFormat, "bmp", StringComparison.OrdinalIgnoreCase))
                throw new RadlynJobException("FileFormat", "must be tif or bmp");
            if (ImageDataPath != null) CheckOutputFolder(ansi);
        }

        // The whole job file, lines ending in CR LF.
        public string ToIniText()
        {
            var text = new StringBuilder();
            text.Append("[Logon]\r\nClientName=").Append(ClientName)
                .Append("\r\n[Info]\r\nType=").Append(Type).Append("\r\nRegio=").Append(Regio)
                .Append("\r\nDoc=").Append(Doc)
                .Append("\r\n[Patient]\r\nFirstName=").Append(FirstName).Append("\r\nLastName=").Append(LastName)
                .Append("\r\nID=").Append(PatientId).Append("\r\nBirthdate=").Append(Birthdate)
                .Append("\r\n[Config]\r\n");
            if (ImageDataPath != null) text.Append("ImageDataPath=").Append(ImageDataPath).Append("\r\n");
            text.Append("FileFormat=").Append(FileFormat)
                .Append("\r\nfAssure8Bit=").Append(Assure8Bit ? "1" : "0")
                .Append("\r\nfDoAutoPostProc=").Append(DoAutoPostProc ? "1" : "0").Append("\r\n");
            return text.ToString();
        }

        // A value goes into one INI line: no line breaks or other control characters, no blanks at
        // its ends (an INI reader drops them), every character in the code page, within the limit.
        static void Text(string field, string value, Encoding ansi, int limit)
        {
            if (value == null) throw new RadlynJobException(field, "is missing (null)");
            foreach (char c in value)
                if (c < ' ' || c == '\x7F')
                    throw new RadlynJobException(field, "holds a line break or another control character");
            if (value.Trim() != value) throw new RadlynJobException(field, "begins or ends with a blank");
            byte[] bytes;
            try { bytes = ansi.GetBytes(value); }
            catch (EncoderFallbackException)
            {
                throw new RadlynJobException(field, "'" + value + "' holds a character the ANSI code page "
                    + ansi.CodePage + " cannot write");
            }
            if (bytes.Length > limit)
                throw new RadlynJobException(field, "'" + value + "' is " + bytes.Length + " characters long, more than "
                    + limit);
        }

        static bool IsTooth(string regio)
        {
            if (regio.Length != 2 || regio[0] < '1' || regio[0] > '8' || regio[1] < '1') return false;
            int quadrant = regio[0] - '0';
            return regio[1] <= (quadrant <= 4 ? '8' : '5');
        }

        static bool IsDate(string date)
        {
            DateTime parsed;
            return date.Length == 8 && DateTime.TryParseExact(date, "yyyyMMdd",
                CultureInfo.InvariantCulture, DateTimeStyles.None, out parsed) && parsed.Year >= 100;
        }

        void RefuseFolder(string problem)
        {
            throw new RadlynJobException("ImageDataPath", "'" + ImageDataPath + "' " + problem);
        }

        void CheckOutputFolder(Encoding ansi)
        {
            const string field = "ImageDataPath";
            Text(field, ImageDataPath, ansi, MaxOutputFolder - 1);
            string path = ImageDataPath;
            bool drive = path.Length >= 3 && char.IsLetter(path[0]) && path[1] == ':' &&
                (path[2] == '\\' || path[2] == '/');
            bool absolute = drive || path.StartsWith("\\\\") || path.StartsWith("/") || path.StartsWith("%");
            if (!absolute) RefuseFolder("is not an absolute path");
            for (int i = 0; i < path.Length; i++)
            {
                if ("<>|\"?*".IndexOf(path[i]) >= 0 || (path[i] == ':' && !(drive && i == 1)))
                    RefuseFolder("holds '" + path[i] + "', which Windows refuses in a folder name");
            }
        }
    }

    /// <summary>The answer of one run: RADLYN_out.ini, or the lack of it.</summary>
    public sealed class RadlynResult
    {
        public bool JobRan { get; private set; }
        public int ErrorNr { get; private set; }
        public string ErrorMsg { get; private set; }
        public string DebugInfo { get; private set; }
        public string ImagePath { get; private set; }           // ImageDataPathFile
        public bool AutoPostProcessed { get; private set; }     // fAutoPostProcessed=1
        public string Type { get; private set; }
        public string Regio { get; private set; }
        public string Doc { get; private set; }
        public string FirstName { get; private set; }
        public string LastName { get; private set; }
        public string PatientId { get; private set; }
        public string Birthdate { get; private set; }
        public string XRayTime { get; private set; }
        public string TubeVoltage { get; private set; }
        public string TubeCurrent { get; private set; }
        public RadlynErrorClass ErrorClass { get; private set; }
        public string Advice { get; private set; }

        /// <summary>ErrorNr 0 and the image file exists.</summary>
        public bool Succeeded { get { return ErrorClass == RadlynErrorClass.None; } }

        struct AdviceRow
        {
            public int Number;          // -1: any number
            public string DebugInfo;    // a text DebugInfo holds, or null for any
            public RadlynErrorClass Class;
            public string Advice;

            public AdviceRow(int number, string debugInfo, RadlynErrorClass errorClass, string advice)
            {
                Number = number; DebugInfo = debugInfo; Class = errorClass; Advice = advice;
            }
        }

        // The first row that matches decides; the start-up failure carries an operating-system
        // code, not one of Radlyn's numbers, so it is known by its DebugInfo alone.
        static readonly AdviceRow[] AdviceTable =
        {
            new AdviceRow(-1, "Error occurred during client initialization", RadlynErrorClass.FixSetup,
                "Radlyn could not attach to Morlund: check the Morlund installation (radlyn-check), then try again."),
            new AdviceRow(1, null, RadlynErrorClass.Retry, "The user cancelled the exposure; offer another try."),
            new AdviceRow(2, "Acquire()", RadlynErrorClass.CallSupport,
                "Morlund refused the job, or Radlyn had no desktop: see Morlund's event log, then call support."),
            new AdviceRow(2, null, RadlynErrorClass.FixJob,
                "Radlyn refused the type, tooth, doctor or patient of the job: correct them and try again."),
            new AdviceRow(7, null, RadlynErrorClass.FixSetup,
                "The output folder cannot be created or written: check the folder and the user's rights."),
            new AdviceRow(8, null, RadlynErrorClass.FixSetup,
                "Radlyn cannot delete a file of its own: remove the file DebugInfo names and check the rights."),
            new AdviceRow(10, null, RadlynErrorClass.Retry, "Try again; if it persists, call support."),
            new AdviceRow(11, null, RadlynErrorClass.Retry, "Close other programs and try again."),
            new AdviceRow(13, null, RadlynErrorClass.FixSetup,
                "Free disk space for the output folder (or reconnect its drive), then try again."),
            new AdviceRow(14, null, RadlynErrorClass.Retry, "Try again."),
            new AdviceRow(19, null, RadlynErrorClass.Retry,
                "Check that the X-ray unit is connected and switched on, then try again."),
            new AdviceRow(20, "Image files in output folder", RadlynErrorClass.FixSetup,
                "Images lie in the output folder: move them into the archive, then try again."),
            new AdviceRow(20, null, RadlynErrorClass.FixSetup, "Morlund's configuration is wrong: fix the set-up."),
            new AdviceRow(21, null, RadlynErrorClass.Retry, "Connect the sensor and try again."),
            new AdviceRow(22, null, RadlynErrorClass.Retry, "Check the sensor's power and try again."),
            new AdviceRow(23, null, RadlynErrorClass.CallSupport, "The sensor is not valid: check its set-up or call support."),
            new AdviceRow(24, null, RadlynErrorClass.CallSupport,
                "The sensor's files are missing or corrupt: check its set-up or call support."),
            new AdviceRow(27, null, RadlynErrorClass.Retry, "Try again; if it persists, call support."),
            new AdviceRow(28, null, RadlynErrorClass.Retry,
                "The X-ray unit is in use: wait until the other acquisition has finished, then try again."),
            new AdviceRow(29, null, RadlynErrorClass.FixSetup, "Update Morlund's components."),
            new AdviceRow(30, null, RadlynErrorClass.Retry, "Check the network and try again."),
            new AdviceRow(31, null, RadlynErrorClass.Retry,
                "The image could not be written: check the output folder and try again; if it persists, call support."),
            new AdviceRow(32, null, RadlynErrorClass.Retry, "Try again."),
            new AdviceRow(33, null, RadlynErrorClass.Retry, "Check the X-ray unit's cable and try again."),
            new AdviceRow(34, null, RadlynErrorClass.Retry, "Reconnect the X-ray unit and try again."),
            new AdviceRow(36, null, RadlynErrorClass.FixJob, "The output folder's path is too long: choose a shorter one."),
            new AdviceRow(99, "Invalid datetime format", RadlynErrorClass.FixJob,
                "The birth date is no real date YYYYMMDD: correct it and try again."),
            new AdviceRow(-1, null, RadlynErrorClass.CallSupport,
                "Call support with DebugInfo and Morlund's event log."),
        };

        const string NoJobAdvice =
            "Radlyn ran no job (no result file): another Radlyn may still be working; try again when it has ended.";
        const string NoImageAdvice =
            "Radlyn reported no error but delivered no image: check the data folder and the output folder.";

        /// <summary>Reads a result file; a missing file or one without ErrorNr means no job ran.</summary>
        public static RadlynResult Read(string resultFile, Encoding ansi)
        {
            var keys = File.Exists(resultFile) ? ReadIni(File.ReadAllBytes(resultFile), ansi)
                                               : new Dictionary<string, string>();
            var result = new RadlynResult();
            Func<string, string> get = name => { string v; return keys.TryGetValue(name, out v) ? v : ""; };
            result.ErrorMsg = get("Info/ErrorMsg");
            result.DebugInfo = get("Info/DebugInfo");
            result.ImagePath = get("Config/ImageDataPathFile");
            result.AutoPostProcessed = get("Config/fAutoPostProcessed") == "1";
            result.Type = get("Info/Type");
            result.Regio = get("Info/Regio");
            result.Doc = get("Info/Doc");
            result.XRayTime = get("Info/XRayTime");
            result.TubeVoltage = get("Info/TubeVoltage");
            result.TubeCurrent = get("Info/TubeCurrent");
            result.FirstName = get("Patient/FirstName");
            result.LastName = get("Patient/LastName");
            result.PatientId = get("Patient/ID");
            result.Birthdate = get("Patient/Birthdate");
            string number = get("Info/ErrorNr");
            result.JobRan = number.Length > 0;
            int parsed;
            result.ErrorNr = int.TryParse(number, NumberStyles.AllowLeadingSign, CultureInfo.InvariantCulture, out parsed)
                ? parsed : (result.JobRan ? -1 : 0);
            result.Classify();
            return result;
        }

        void Classify()
        {
            if (!JobRan) { ErrorClass = RadlynErrorClass.NoJobRan; Advice = NoJobAdvice; return; }
            if (ErrorNr == 0)
            {
                bool image = ImagePath.Length > 0 && File.Exists(ImagePath);
                ErrorClass = image ? RadlynErrorClass.None : RadlynErrorClass.FixSetup;
                Advice = image ? "" : NoImageAdvice;
                return;
            }
            foreach (AdviceRow row in AdviceTable)
            {
                if ((row.Number == -1 || row.Number == ErrorNr) &&
                    (row.DebugInfo == null || DebugInfo.IndexOf(row.DebugInfo, StringComparison.Ordinal) >= 0))
                {
                    ErrorClass = row.Class;
                    Advice = row.Advice;
                    return;
                }
            }
        }

        // "Section/Key" (compared without regard to case) to value; the first of a name counts.
        static Dictionary<string, string> ReadIni(byte[] bytes, Encoding ansi)
        {
            var keys = new Dictionary<string, string>(StringComparer.OrdinalIgnoreCase);
            string section = "";
            foreach (string raw in ansi.GetString(bytes).Split('\n'))
            {
                string line = raw.Trim();
                if (line.StartsWith("[") && line.EndsWith("]"))
                {
                    section = line.Substring(1, line.Length - 2).Trim();
                    continue;
                }
                int equals = line.IndexOf('=');
                if (equals <= 0 || line.StartsWith(";")) continue;
                string name = section + "/" + line.Substring(0, equals).Trim();
                if (!keys.ContainsKey(name)) keys[name] = line.Substring(equals + 1).Trim();
            }
            return keys;
        }

        /// <summary>Moves the image out of the output folder into archiveFolder, where the next job
        /// cannot trip over it, and answers its new path. An archived file is never replaced: a name
        /// taken gets _1, _2, ... before its extension.</summary>
        public string ArchiveImage(string archiveFolder)
        {
            if (!Succeeded) throw new RadlynException("There is no image to archive: " + (Advice ?? ""));
            Directory.CreateDirectory(archiveFolder);
            string name = ImagePath.Substring(ImagePath.LastIndexOfAny(new[] { '\\', '/' }) + 1);
            string stem = Path.GetFileNameWithoutExtension(name), extension = Path.GetExtension(name);
            for (int attempt = 0; attempt < 1000; attempt++)
            {
                string target = Path.Combine(archiveFolder, attempt == 0 ? name : stem + "_" + attempt + extension);
                if (File.Exists(target) || Directory.Exists(target)) continue;
                try
                {
                    File.Move(ImagePath, target);  // fails rather than replace a file that appeared meanwhile
                    return target;
                }
                catch (IOException) when (File.Exists(target) && File.Exists(ImagePath)) { }
                catch (Exception e)
                {
                    throw new RadlynException("The image '" + ImagePath + "' cannot be moved to '" + target + "': " + e.Message, e);
                }
            }
            throw new RadlynException("The archive folder '" + archiveFolder + "' has no free name for '" + name + "'");
        }
    }

    /// <summary>Runs Radlyn for one job at a time: the calling sequence of the client guide.</summary>
    public sealed class RadlynClient
    {
        public const string JobFileName = "RADLYN_in.ini";
        public const string ResultFileName = "RADLYN_out.ini";

        public RadlynClient(string radlynProgram, string dataFolder)
        {
            RadlynProgram = radlynProgram;
            DataFolder = TrimFolder(Path.GetFullPath(dataFolder));
        }

        public string RadlynProgram { get; private set; }
        public string DataFolder { get; private set; }
        /// <summary>The window that owns Morlund's dialogs (Form.Handle; WindowInteropHelper.Handle
        /// in WPF). Zero: Radlyn makes an invisible window of its own.</summary>
        public IntPtr OwnerWindow { get; set; }
        /// <summary>Called with the command line just before Radlyn starts (for the program's log).</summary>
        public Action<string> Starting { get; set; }

        public string JobFile { get { return Path.Combine(DataFolder, JobFileName); } }
        public string ResultFile { get { return Path.Combine(DataFolder, ResultFileName); } }

        static bool OnWindows { get { return Environment.OSVersion.Platform == PlatformID.Win32NT; } }

        /// <summary>The code page Radlyn reads the job file in and writes the result file in: the
        /// workstation's ANSI code page (Windows-1252 for Radlyn on Linux unless
        /// RADLYN_ANSI_CODE_PAGE names another), strict in both directions.</summary>
        public static Encoding AnsiEncoding()
        {
            int page = 1252;
            if (OnWindows) page = (int)NativeMethods.GetACP();
            else
            {
                int configured;
                if (int.TryParse(Environment.GetEnvironmentVariable("RADLYN_ANSI_CODE_PAGE"), out configured)) page = configured;
            }
            try
            {
                return Encoding.GetEncoding(page, EncoderFallback.ExceptionFallback, DecoderFallback.ReplacementFallback);
            }
            catch (Exception e) when (e is NotSupportedException || e is ArgumentException)
            {
                throw new RadlynException("The ANSI code page " + page + " is not available to .NET. On .NET 6 and later "
                    + "register it once at start-up: System.Text.Encoding.RegisterProvider("
                    + "System.Text.CodePagesEncodingProvider.Instance).", e);
            }
        }

        /// <summary>Runs one job and waits for its end without a time limit. On Windows with an
        /// OwnerWindow, call it on that window's thread: its messages are handled meanwhile.</summary>
        public RadlynResult Run(RadlynJob job)
        {
            Encoding ansi = AnsiEncoding();
            using (Process radlyn = Prepare(job, ansi))
            {
                SetOwnerEnabled(false);
                try
                {
                    if (OnWindows && OwnerWindow != IntPtr.Zero) PumpUntilExit(radlyn);
                    else radlyn.WaitForExit();
                }
                finally { SetOwnerEnabled(true); }
            }
            return RadlynResult.Read(ResultFile, ansi);
        }

        /// <summary>Runs one job; the calling thread (a WinForms or WPF window's) is free while
        /// Radlyn runs, and the owner window is disabled as under a modal dialog. Cancelling ends a
        /// hung Radlyn (this process, never others by name): no image, and the result reads
        /// NoJobRan.</summary>
        public async Task<RadlynResult> RunAsync(RadlynJob job, CancellationToken cancel = default(CancellationToken))
        {
            Encoding ansi = AnsiEncoding();
            using (Process radlyn = Prepare(job, ansi))
            {
                var ended = new TaskCompletionSource<bool>();
                radlyn.EnableRaisingEvents = true;
                radlyn.Exited += (sender, args) => ended.TrySetResult(true);
                if (radlyn.HasExited) ended.TrySetResult(true);
                SetOwnerEnabled(false);
                try
                {
                    using (cancel.Register(() => EndProcess(radlyn))) await ended.Task;
                }
                finally { SetOwnerEnabled(true); }
                radlyn.WaitForExit();
            }
            return RadlynResult.Read(ResultFile, ansi);
        }

        static void EndProcess(Process radlyn)
        {
            try { if (!radlyn.HasExited) radlyn.Kill(); }
            catch (InvalidOperationException) { }  // it ended meanwhile
            catch (System.ComponentModel.Win32Exception) { }
        }

        // Checks the job, clears the old result, writes the job file and starts Radlyn.
        Process Prepare(RadlynJob job, Encoding ansi)
        {
            if (job == null) throw new ArgumentNullException("job");
            job.Validate(ansi);
            if (DataFolder.IndexOf('"') >= 0)
                throw new RadlynException("The data folder '" + DataFolder + "' holds a quote.");
            if (!Directory.Exists(DataFolder))
                throw new RadlynException("The data folder '" + DataFolder + "' does not exist (Radlyn does not create it).");
            DeleteOldResult();
            try
            {
                // One write of the whole file: no key of an earlier job survives, and no byte-order mark.
                File.WriteAllBytes(JobFile, ansi.GetBytes(job.ToIniText()));
            }
            catch (Exception e) when (e is IOException || e is UnauthorizedAccessException)
            {
                throw new RadlynException("The job file '" + JobFile + "' cannot be written: " + e.Message, e);
            }
            string arguments = "\"datapath=" + DataFolder + "\"";
            if (OwnerWindow != IntPtr.Zero) arguments += " parentwnd=0x" + OwnerWindow.ToInt64().ToString("X8");
            if (Starting != null) Starting("\"" + RadlynProgram + "\" " + arguments);
            var start = new ProcessStartInfo(RadlynProgram, arguments) { UseShellExecute = false };
            try { return Process.Start(start); }
            catch (Exception e)
            {
                throw new RadlynException("Radlyn '" + RadlynProgram + "' did not start: " + e.Message, e);
            }
        }

        // An old result would be read as this job's answer when Radlyn runs no job, so it must be
        // gone before the start; only "not there" counts.
        void DeleteOldResult()
        {
            string path = ResultFile;
            Exception failure = null;
            try { if (File.Exists(path)) File.Delete(path); }
            catch (Exception e) when (e is IOException || e is UnauthorizedAccessException) { failure = e; }
            if (File.Exists(path) || Directory.Exists(path))
            {
                throw new RadlynException("The old result file '" + path + "' cannot be removed, so Radlyn was not started: "
                    + "another Radlyn may still be running for this data folder, or the data folder is read-only "
                    + "or the user lacks the rights to it" + (failure != null ? " (" + failure.Message + ")" : "") + ".",
                    failure);
            }
        }

        void SetOwnerEnabled(bool enabled)
        {
            if (OnWindows && OwnerWindow != IntPtr.Zero) NativeMethods.EnableWindow(OwnerWindow, enabled);
        }

        // Waits for Radlyn while handling the thread's window messages, or Morlund's dialogs owned
        // by the window would stop answering too.
        static void PumpUntilExit(Process radlyn)
        {
            var handles = new[] { radlyn.Handle };
            for (;;)
            {
                uint woke = NativeMethods.MsgWaitForMultipleObjects(1, handles, false, NativeMethods.Infinite,
                    NativeMethods.QsAllInput);
                if (woke == 0) return;
                if (woke != 1) { radlyn.WaitForExit(); return; }
                NativeMethods.Msg message;
                while (NativeMethods.PeekMessage(out message, IntPtr.Zero, 0, 0, NativeMethods.PmRemove))
                {
                    if (message.message == NativeMethods.WmQuit)
                    {
                        // The program is closing: let Radlyn end, then hand the quit on to the main loop.
                        radlyn.WaitForExit();
                        NativeMethods.PostQuitMessage((int)message.wParam.ToInt64());
                        return;
                    }
                    NativeMethods.TranslateMessage(ref message);
                    NativeMethods.DispatchMessage(ref message);
                }
            }
        }

        static string TrimFolder(string folder)
        {
            // A quoted command-line value must not end in a backslash, which would escape the quote.
            while (folder.Length > 3 && (folder.EndsWith("\\") || folder.EndsWith("/")))
                folder = folder.Substring(0, folder.Length - 1);
            return folder;
        }

        static class NativeMethods
        {
            public const uint Infinite = 0xFFFFFFFF, QsAllInput = 0x04FF, PmRemove = 1, WmQuit = 0x0012;

            [StructLayout(LayoutKind.Sequential)]
            public struct Msg
            {
                public IntPtr hwnd;
                public uint message;
                public IntPtr wParam, lParam;
                public uint time;
                public int x, y;
            }

            [DllImport("kernel32.dll")] public static extern uint GetACP();
            [DllImport("user32.dll")] public static extern bool EnableWindow(IntPtr window, bool enable);
            [DllImport("user32.dll")]
            public static extern uint MsgWaitForMultipleObjects(uint count, IntPtr[] handles, bool waitAll,
                uint milliseconds, uint wakeMask);
            [DllImport("user32.dll")]
            public static extern bool PeekMessage(out Msg message, IntPtr window, uint first, uint last, uint remove);
            [DllImport("user32.dll")] public static extern bool TranslateMessage(ref Msg message);
            [DllImport("user32.dll")] public static extern IntPtr DispatchMessage(ref Msg message);
            [DllImport("user32.dll")] public static extern void PostQuitMessage(int exitCode);
        }
    }
}
