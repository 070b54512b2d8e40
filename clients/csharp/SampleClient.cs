// A practice program's way of taking one X-ray image through Radlyn with RadlynClient.cs.
//
// Usage: SampleClient.exe RADLYN DATA_FOLDER IMAGE_FOLDER ARCHIVE_FOLDER [LAST_NAME]
// (RADLYN is radlyn.exe, or the radlyn program on Linux; LAST_NAME replaces the patient's.)
// Exit code: 0 the image is archived; 1 Radlyn reported an error; 2 no job ran (no result file);
// 3 the client itself could not go on.
using System;
using System.IO;
using Radlyn.Client;

static class SampleClient
{
    const int Archived = 0, RadlynError = 1, NoJobRan = 2, ClientFailed = 3;

    static int Main(string[] args)
    {
        if (args.Length < 4 || args.Length > 5)
        {
            Console.WriteLine("usage: SampleClient RADLYN DATA_FOLDER IMAGE_FOLDER ARCHIVE_FOLDER [LAST_NAME]");
            return ClientFailed;
        }
        try
        {
            // What the practice program takes from its own records.
            var job = new RadlynJob
            {
                ClientName = "SampleClient",
                Type = "XI",
                Regio = "36",
                Doc = "Dr. Berger",
                FirstName = "Jürgen",
                LastName = args.Length == 5 ? args[4] : "Müller",
                PatientId = "4711",
                Birthdate = "19700305",
                // Radlyn writes the image path as folder + name: only an absolute folder gives an
                // absolute image path.
                ImageDataPath = Path.GetFullPath(args[2]).TrimEnd('\\', '/'),
            };
            // Radlyn does not create the data folder (it creates a missing image folder itself).
            Directory.CreateDirectory(args[1]);
            Directory.CreateDirectory(args[3]);
            // A console program has no window of its own: Radlyn then makes an invisible owner.
            // A WinForms program sets OwnerWindow = Handle and awaits RunAsync.
            var client = new RadlynClient(args[0], args[1]) { Starting = line => Console.WriteLine("client: " + line) };
            RadlynResult result = client.Run(job);
            if (!result.JobRan)
            {
                Console.WriteLine("Radlyn ran no job: no result file. Is another Radlyn still working?");
                Console.WriteLine("Advice: " + result.Advice);
                return NoJobRan;
            }
            if (!result.Succeeded)
            {
                if (result.ErrorNr == 0)
                    Console.WriteLine("Radlyn reported success, but the image file '" + result.ImagePath + "' is missing");
                else
                    Console.WriteLine("Radlyn reported error " + result.ErrorNr + " (" + result.ErrorMsg + ")");
                Console.WriteLine("DebugInfo: " + result.DebugInfo);
                Console.WriteLine("Advice (" + result.ErrorClass + "): " + result.Advice);
                return RadlynError;
            }
            string archived = result.ArchiveImage(Path.GetFullPath(args[3]));
            Console.WriteLine("Image of " + result.FirstName + " " + result.LastName + " (" + result.PatientId
                + "), tooth " + result.Regio + " " + result.Type + ": " + archived);
            return Archived;
        }
        catch (RadlynException e)
        {
            Console.WriteLine("client: " + e.Message);
            return ClientFailed;
        }
        catch (Exception e) when (e is IOException || e is UnauthorizedAccessException || e is ArgumentException)
        {
            Console.WriteLine("client: " + e.Message);
            return ClientFailed;
        }
    }
}
