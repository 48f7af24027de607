// kelmar-sql: runs T-SQL scripts against a DSN.
int main() { return 0; }
