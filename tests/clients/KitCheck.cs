// Answers the lines of kit_cases.txt through the C# unit, one answer line per case line.
using System;
using System.IO;
using System.Text;
using Radlyn.Client;

static class KitCheck
{
    static int Main(string[] args)
    {
        var input = new StreamReader(Console.OpenStandardInput(), new UTF8Encoding(false));
        var output = new StreamWriter(Console.OpenStandardOutput(), new UTF8Encoding(false));
        Encoding ansi = RadlynClient.AnsiEncoding();
        for (string line; (line = input.ReadLine()) != null;)
        {
            string[] part = line.Split('|');
            if (part.Length < 3) continue;
            if (part[0] == "job") output.WriteLine(CheckJob(part[1], ansi));
            else if (part[0] == "ansi") output.WriteLine(Ansi(part[1], ansi));
            else if (part[0] == "result") output.WriteLine(Result(part[1], args[0], ansi));
        }
        output.Flush();
        return 0;
    }

    static string CheckJob(string assignments, Encoding ansi)
    {
        var job = new RadlynJob { ClientName = "SampleClient", Regio = "36", Birthdate = "19700305" };
        string field = "";
        foreach (string assignment in assignments.Split(';'))
        {
            int equals = assignment.IndexOf('=');
            if (equals < 0) continue;
            field = assignment.Substring(0, equals);
            string value = assignment.Substring(equals + 1).Replace("\\t", "\t");
            switch (field)
            {
                case "ClientName": job.ClientName = value; break;
                case "Type": job.Type = value; break;
                case "Regio": job.Regio = value; break;
                case "Doc": job.Doc = value; break;
                case "LastName": job.LastName = value; break;
                case "ID": job.PatientId = value; field = "PatientId"; break;
                case "Birthdate": job.Birthdate = value; break;
                case "ImageDataPath": job.ImageDataPath = value; break;
                case "FileFormat": job.FileFormat = value; break;
                default: return "unknown field " + field;
            }
        }
        try { job.Validate(ansi); return "ok"; }
        catch (RadlynJobException e) { return e.Field == field ? "refused" : "refused " + e.Field; }
    }

    static string Ansi(string text, Encoding ansi)
    {
        try
        {
            byte[] bytes = ansi.GetBytes(text);
            if (ansi.GetString(bytes) != text) return "changed";
            return bytes.Length == 0 ? "-" : BitConverter.ToString(bytes).Replace("-", "");
        }
        catch (EncoderFallbackException) { return "none"; }
    }

    static string Result(string text, string folder, Encoding ansi)
    {
        string file = Path.Combine(folder, "RADLYN_out.ini");
        File.Delete(file);
        if (text != "-") File.WriteAllBytes(file, ansi.GetBytes(text.Replace("\\n", "\r\n")));
        RadlynResult result = RadlynResult.Read(file, ansi);
        return result.ErrorClass + " " + result.ErrorNr + " " + result.LastName;
    }
}
